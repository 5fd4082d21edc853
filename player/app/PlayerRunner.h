#pragma once

#include <functional>

class QApplication;

// The start sequence after the start-up checks: application font, socket
// layer, style sheet, high-density pixmaps, translation, the launch
// controller and the main window, the launch, the updater, and the event
// loop. Returns the event loop's exit code.
//
// When the machine's shutdown overruns its bound, the program ends at once
// instead of returning (its threads may still use the window); leave, the
// steps the caller takes after a return, runs first.
int runPlayer(QApplication &app, int argc, char **argv, const std::function<void()> &leave);
