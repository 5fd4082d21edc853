#pragma once

#include <QPoint>
#include <QSize>
#include <QTransform>

// The guest display: frames always go out in its natural 1280 x 720
// landscape orientation, with the rotation in the frame header. When the
// guest is turned by 90 or 270 degrees it lays its screen out as 720 x 1280
// portrait and draws it turned back into the natural frame; the host turns
// the frame clockwise by the rotation to show it upright. Input positions
// arrive in the natural frame too.
namespace screen {

constexpr int kFrameWidth = 1280;
constexpr int kFrameHeight = 720;

// 0, 90, 180 or 270.
bool isValidRotation(int degrees);

// The size the screen is laid out at for a rotation.
QSize layoutSize(int rotation);

// Maps layout coordinates to natural-frame coordinates.
QTransform layoutToFrame(int rotation);

QPoint frameToLayout(int rotation, QPoint framePoint);

} // namespace screen
