#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

// The process that started the guest (the player, through the simulated
// engine) owns its machine: a guest left behind when that process dies
// (killed, or ended by a lost display connection) would hold the guest
// ports with no one to stop it. parentEnded() is emitted once, on the thread
// that created the watch, when that process has ended.
class ParentWatch : public QObject
{
    Q_OBJECT

public:
    explicit ParentWatch(QObject *parent = nullptr);
    ~ParentWatch() override;
    ParentWatch(const ParentWatch &) = delete;
    ParentWatch &operator=(const ParentWatch &) = delete;

    // False when the parent has already ended: the guest is an orphan from
    // its start.
    bool start();

signals:
    void parentEnded();

private:
    bool parentGone() const;
    void ended();

    long long m_parentPid = 0;
    int m_pidfd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_poll = nullptr;
};
