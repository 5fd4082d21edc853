#include "XTestKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

XTestKeyboard::XTestKeyboard(const QString &display)
{
    m_display = XOpenDisplay(display.toLocal8Bit().constData());
    if (m_display == nullptr)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor))
        return;
    for (KeySym letter = XK_a; letter <= XK_z; ++letter) {
        const KeyCode code = XKeysymToKeycode(m_display, letter);
        if (code != 0)
            m_letters.push_back(code);
    }
}

XTestKeyboard::~XTestKeyboard()
{
    if (m_display != nullptr)
        XCloseDisplay(m_display);
}

void XTestKeyboard::focus(const QString &window)
{
    XSetInputFocus(m_display, Window(window.toULong()), RevertToParent, CurrentTime);
    XSync(m_display, False);
}

void XTestKeyboard::type(int taps)
{
    for (int i = 0; i < taps; ++i) {
        const unsigned code = m_letters[size_t(m_next)];
        m_next = (m_next + 1) % int(m_letters.size());
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    }
    XSync(m_display, False);
}
