#include "Inbox.h"

Inbox::Inbox(QObject *parent) : QObject(parent)
{
    if (!m_wake.isValid())
        return;
    m_notifier = new QSocketNotifier(m_wake.readFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Inbox::drain);
}

void Inbox::post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.wake();
}

void Inbox::drain()
{
    m_wake.drain();
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tasks.swap(m_tasks);
    }
    for (const std::function<void()> &task : tasks)
        task();
}
