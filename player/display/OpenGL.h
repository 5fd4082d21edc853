#pragma once

#include <QtGui/qwindowdefs.h>

// What the GL renderer needs to know about the window that hosts it. The
// main window implements it; the slot order of the four operations is part
// of the contract, so nothing virtual comes before them.
class OpenGL
{
public:
    // Native handle of the window that owns the main window (0 when none).
    virtual WId ownerWindow() = 0;
    // Native window id of the display widget.
    virtual WId displayWinId() = 0;
    // Current size of the display widget in pixels.
    virtual int displayWidth() = 0;
    virtual int displayHeight() = 0;

protected:
    // Never deleted through this interface.
    ~OpenGL() = default;
};
