#include "GuestProcess.h"

#include "GuestProcessEnd.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

namespace GuestProcess {

namespace {

constexpr int kPollMs = 5;
constexpr int kKillWaitMs = 5000;

bool waitUntilEnded(const Handle &handle, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (isRunning(handle)) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}

} // namespace

void terminate(const Handle &handle, int graceMs)
{
    if (!isRunning(handle))
        return;
    end::ask(handle);
    if (waitUntilEnded(handle, graceMs))
        return;
    qDebug() << "guest did not end when asked, killing it" << handle.pid;
    end::force(handle);
    if (!waitUntilEnded(handle, kKillWaitMs))
        qDebug() << "guest still running after being killed" << handle.pid;
}

} // namespace GuestProcess
