#pragma once

#include <QJsonObject>
#include <QString>

#include <mutex>

// events.jsonl: every message the guest receives or sends, one JSON object a
// line, written through to the file as each line is complete (another process
// tails it). Emptied when the guest starts. Safe from any thread.
class EventLog
{
public:
    explicit EventLog(const QString &path);
    ~EventLog();
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    void write(const char *agent, const char *dir, const char *type,
               const QJsonObject &fields = QJsonObject());

private:
    std::mutex m_mutex;
    int m_fd = -1;
};
