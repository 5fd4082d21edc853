#include "settings/PlayerRestart.h"

#include "app/InstanceName.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

#include <atomic>
#include <utility>

namespace PlayerRestart {

namespace {

std::atomic<bool> g_pending{false};

bool startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

Starter &starter()
{
    static Starter start = startDetached;
    return start;
}

} // namespace

QString program()
{
    return QCoreApplication::applicationFilePath();
}

QStringList arguments()
{
    return {instanceName()};
}

void request()
{
    g_pending = true;
    QCoreApplication::quit();
}

bool pending()
{
    return g_pending;
}

bool startPending()
{
    if (!g_pending.exchange(false))
        return false;
    qDebug() << "restart" << program() << arguments();
    const bool started = starter()(program(), arguments());
    if (!started)
        qDebug() << "restart failed" << program();
    return started;
}

void setStarter(Starter start)
{
    starter() = start ? std::move(start) : Starter(startDetached);
}

void reset()
{
    g_pending = false;
}

} // namespace PlayerRestart
