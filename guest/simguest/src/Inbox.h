#pragma once

#include "WakePipe.h"

#include <QObject>
#include <QSocketNotifier>

#include <deque>
#include <functional>
#include <mutex>

// Hands work from the connection threads to the thread that owns the inbox
// (the GUI thread): a lock-guarded queue, and a pipe watched by a socket
// notifier to wake the owner. Tasks run in the order they were posted;
// those still queued when the inbox goes are dropped.
class Inbox : public QObject
{
    Q_OBJECT

public:
    explicit Inbox(QObject *parent = nullptr);

    bool isValid() const { return m_wake.isValid(); }

    // Any thread.
    void post(std::function<void()> task);

private:
    void drain();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
    WakePipe m_wake;
    QSocketNotifier *m_notifier = nullptr;
};
