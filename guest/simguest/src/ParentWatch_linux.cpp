#include "ParentWatch.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Where the kernel offers no process descriptors (before Linux 5.3, or a
// sandbox that filters the call), the parent is looked at this often.
constexpr int kPollMs = 250;

int openProcessDescriptor(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

// The parent is taken before anything else can run: an orphan is
// re-parented at once, so a parent that has already gone shows as a
// changed parent from here on.
ParentWatch::ParentWatch(QObject *parent) : QObject(parent), m_parentPid(::getppid()) {}

ParentWatch::~ParentWatch()
{
    delete m_notifier;
    if (m_pidfd >= 0)
        ::close(m_pidfd);
}

// pid 1 adopts orphans, and a re-parented guest sees its new parent: either
// way the process that started it is gone.
bool ParentWatch::parentGone() const
{
    return m_parentPid <= 1 || ::getppid() != pid_t(m_parentPid);
}

bool ParentWatch::start()
{
    if (parentGone())
        return false;
    m_pidfd = openProcessDescriptor(pid_t(m_parentPid));
    // The parent may have ended, and its pid been reused, just before the
    // descriptor was opened: checked once more now that it is held.
    if (parentGone())
        return false;
    if (m_pidfd >= 0) {
        m_notifier = new QSocketNotifier(m_pidfd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ParentWatch::ended);
        return true;
    }
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (parentGone())
            ended();
    });
    m_poll->start();
    return true;
}

void ParentWatch::ended()
{
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_poll)
        m_poll->stop();
    emit parentEnded();
}
