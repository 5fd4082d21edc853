#pragma once

#include "DesktopShortcut.h"
#include "GlobalKeyGrab.h"

// The shortcut as a key grab of the window system: the X server's passive
// grab or a Windows hot key (GlobalKeyGrab).
class KeyGrabShortcut : public DesktopShortcut
{
public:
    KeyGrabShortcut(int qtKey, Qt::KeyboardModifiers modifiers, std::function<void()> pressed)
        : m_grab(qtKey, modifiers, std::move(pressed))
    {
    }

    bool held() const override { return m_grab.held(); }

private:
    GlobalKeyGrab m_grab;
};
