#include "app/DisplayLoss.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;

// The warnings Qt gives just before it ends a program whose display
// connection broke, on X11 and on Wayland.
bool isDisplayLostWarning(QtMsgType type, const QString &message)
{
    return type == QtWarningMsg &&
           (message.startsWith(QLatin1String("The X11 connection broke")) ||
            message.startsWith(QLatin1String("The Wayland connection broke")));
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    previousHandler(type, context, message);
    if (!isDisplayLostWarning(type, message))
        return;
    std::fputs("display lost: the player ends at once\n", stderr);
    std::fflush(nullptr);
    std::_Exit(1);
}

} // namespace

void endAtOnceWhenDisplayLost()
{
    previousHandler = qInstallMessageHandler(handleMessage);
}
