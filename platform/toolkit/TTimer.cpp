#include "TTimer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

namespace {
// Owned by the application object, so it never outlives the event loop's
// thread data; a later application object gets a new one.
QPointer<QTimer> g_shot;

QTimer *shotTimer()
{
    if (!g_shot && QCoreApplication::instance()) {
        g_shot = new QTimer(QCoreApplication::instance());
        g_shot->setObjectName(QStringLiteral("TTimerShot"));
        g_shot->setSingleShot(true);
    }
    return g_shot;
}
}

void TTimer::singleShot(int ms, QObject *receiver, const char *slot)
{
    stop();
    QTimer *timer = shotTimer();
    if (!timer) {
        qWarning() << "TTimer used without an application object";
        return;
    }
    if (!receiver || !slot)
        return;
    if (!QObject::connect(timer, SIGNAL(timeout()), receiver, slot))
        return;
    timer->start(ms);
}

void TTimer::stop()
{
    if (!g_shot)
        return;
    g_shot->stop();
    QObject::disconnect(g_shot, SIGNAL(timeout()), nullptr, nullptr);
}

bool TTimer::isActive()
{
    return g_shot && g_shot->isActive();
}
