#include "DesktopShortcut.h"

#include "KeyGrabShortcut.h"
#include "PortalShortcut.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// Xwayland names its outputs XWAYLAND0, XWAYLAND1, ...
bool onXwayland()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [](const QScreen *screen) {
        return screen->name().startsWith(QLatin1String("XWAYLAND"));
    });
}

} // namespace

// An X server of its own hands a passive grab every key pressed on the
// desktop. Under Xwayland the compositor passes keys to the X server only
// while one of its windows has the focus, so a Wayland session (through
// Xwayland or natively) asks the desktop portal instead.
std::unique_ptr<DesktopShortcut> createDesktopShortcut(int qtKey, Qt::KeyboardModifiers modifiers,
                                                       std::function<void()> pressed)
{
    const QString platform = QGuiApplication::platformName();
    const bool x11 = platform == QLatin1String("xcb");
    if (x11 && !onXwayland())
        return std::make_unique<KeyGrabShortcut>(qtKey, modifiers, std::move(pressed));
    if (x11 || platform.startsWith(QLatin1String("wayland")))
        return std::make_unique<PortalShortcut>(qtKey, modifiers, std::move(pressed));
    // Offscreen and the like: the key grab says why nothing can be held.
    setDesktopOffersShortcuts(false);
    return std::make_unique<KeyGrabShortcut>(qtKey, modifiers, std::move(pressed));
}
