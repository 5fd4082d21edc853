#include "ScreenGeometry.h"

namespace screen {

bool isValidRotation(int degrees)
{
    return degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270;
}

QSize layoutSize(int rotation)
{
    return rotation == 90 || rotation == 270 ? QSize(kFrameHeight, kFrameWidth)
                                             : QSize(kFrameWidth, kFrameHeight);
}

// The frame is the layout turned counter-clockwise by the rotation, so that
// the host's clockwise turn shows it upright.
QTransform layoutToFrame(int rotation)
{
    switch (rotation) {
    case 90:
        return QTransform(0, -1, 1, 0, 0, kFrameHeight);
    case 180:
        return QTransform(-1, 0, 0, -1, kFrameWidth, kFrameHeight);
    case 270:
        return QTransform(0, 1, -1, 0, kFrameWidth, 0);
    default:
        return QTransform();
    }
}

QPoint frameToLayout(int rotation, QPoint framePoint)
{
    return layoutToFrame(rotation).inverted().map(framePoint);
}

} // namespace screen
