#include "EventLog.h"

#include "EventJson.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

EventLog::EventLog(const QString &path)
{
    m_fd = ::open(QFile::encodeName(path).constData(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0)
        std::fprintf(stderr, "cannot open the event log %s: %s\n", qPrintable(path),
                     std::strerror(errno));
}

EventLog::~EventLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void EventLog::write(const char *agent, const char *dir, const char *type,
                     const QJsonObject &fields)
{
    const QByteArray text = events::line(agent, dir, type, fields);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fd < 0)
        return;
    // The whole line in one write (the loop only continues a short write),
    // under the lock, so lines from different threads never interleave.
    const char *data = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            std::fprintf(stderr, "event log write failed: %s\n", std::strerror(errno));
            return;
        }
        data += written;
        left -= written;
    }
}
