#include "app/DisplayPlatform.h"

#include <QDebug>
#include <QGuiApplication>

namespace {

bool waylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

// Programs the player starts inherit the choice: they run on the same
// desktop, and the guest chooses its own.
void DisplayPlatform::choose()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !waylandSession())
        return;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qDebug() << "Wayland session without Xwayland (no DISPLAY), staying on Wayland";
        return;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qDebug() << "Wayland session: display platform xcb through Xwayland, display" << qEnvironmentVariable("DISPLAY");
}

void DisplayPlatform::warnWhenUnsuitable()
{
    const QString platform = QGuiApplication::platformName();
    if (!platform.startsWith(QLatin1String("wayland")))
        return;
    qDebug().noquote() << "the guest's screen needs X11 or Xwayland and stays blank on the platform" << platform
                       << "- start the player with QT_QPA_PLATFORM unset or set to xcb, in a session with Xwayland";
}
