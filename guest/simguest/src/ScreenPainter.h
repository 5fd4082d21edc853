#pragma once

#include "ScreenState.h"

#include <QImage>

// Draws the guest's screen for a state: laid out for the state's rotation and
// turned into a new natural-orientation frame, 1280 x 720 RGBA8888, the
// display stream's pixel format.
QImage paintScreen(const ScreenState &state);
