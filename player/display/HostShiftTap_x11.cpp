#include "display/HostShiftTap.h"

#include <QX11Info>

// Xlib after Qt: its macros (None, Bool, KeyPress ...) would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

void tapHostShiftKey()
{
    if (!QX11Info::isPlatformX11())
        return;
    Display *display = QX11Info::display();
    if (display == nullptr)
        return;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        return;
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (shift == 0)
        return;
    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, shift, False, CurrentTime);
    XFlush(display);
}
