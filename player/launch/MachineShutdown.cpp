#include "launch/MachineShutdown.h"

#include "launch/LaunchProcess.h"

#include <QDebug>
#include <QEventLoop>
#include <QTimer>

#include <utility>

MachineShutdown::MachineShutdown(LaunchProcess &launch, Work stopMachine, QObject *parent)
    : QObject(parent)
    , m_launch(launch)
    , m_stopMachine(std::move(stopMachine))
{
}

MachineShutdown::~MachineShutdown()
{
    if (m_thread.joinable())
        m_thread.join();
}

void MachineShutdown::begin()
{
    if (m_thread.joinable() || m_done.load())
        return;
    qDebug() << "shutting down the machine";
    // Cancelled at once, so that the worker starts nothing more while the
    // shutdown thread gets going.
    m_launch.cancelAndWait(0);
    m_thread = std::thread(&MachineShutdown::run, this);
}

void MachineShutdown::run()
{
    if (m_stopMachine)
        m_stopMachine();
    else
        m_launch.stop();
    // The worker holds the window as user data and may start the guest
    // services: it is gone before anything else is torn down.
    if (!m_launch.cancelAndWait(kBoundMs))
        qDebug() << "launch worker did not end";
    m_done.store(true);
    QMetaObject::invokeMethod(this, [this] { emit done(); }, Qt::QueuedConnection);
}

bool MachineShutdown::finish(int timeoutMs)
{
    begin();
    if (m_done.load())
        return true;
    QEventLoop loop;
    connect(this, &MachineShutdown::done, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!m_done.load())
        loop.exec();
    return m_done.load();
}
