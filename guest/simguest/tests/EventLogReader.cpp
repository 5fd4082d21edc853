#include "EventLogReader.h"

#include "Eventually.h"

#include <QFile>
#include <QJsonDocument>

QVector<QJsonObject> EventLogReader::all() const
{
    QFile file(m_path);
    QVector<QJsonObject> events;
    if (!file.open(QIODevice::ReadOnly))
        return events;
    const QByteArray text = file.readAll();
    const int complete = text.lastIndexOf('\n');
    if (complete < 0)
        return events;
    for (const QByteArray &line : text.left(complete).split('\n'))
        events.append(QJsonDocument::fromJson(line).object());
    return events;
}

bool EventLogReader::matches(const QJsonObject &event, const QJsonObject &pattern)
{
    for (auto it = pattern.begin(); it != pattern.end(); ++it) {
        if (event.value(it.key()) != it.value())
            return false;
    }
    return true;
}

std::optional<int> EventLogReader::waitFor(const QJsonObject &pattern, int from,
                                           std::chrono::milliseconds timeout) const
{
    std::optional<int> found;
    eventually(
        [&] {
            const QVector<QJsonObject> events = all();
            for (int i = from; i < events.size(); ++i) {
                if (matches(events.at(i), pattern)) {
                    found = i;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

int EventLogReader::countOf(const QJsonObject &pattern) const
{
    int count = 0;
    for (const QJsonObject &event : all())
        count += matches(event, pattern) ? 1 : 0;
    return count;
}
