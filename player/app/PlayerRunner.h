#pragma once

class QApplication;

// The start sequence after the start-up checks: application font, socket
// layer, style sheet, high-density pixmaps, translation, the launch
// controller and the main window, the launch, the updater, and the event
// loop. Returns the event loop's exit code.
int runPlayer(QApplication &app, int argc, char **argv);
