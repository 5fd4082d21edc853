#pragma once

#include <QJsonObject>
#include <QString>
#include <QVector>

#include <chrono>
#include <optional>

// Reads a guest's events.jsonl as another process would: complete lines
// only, parsed. A pattern matches an event holding all of its keys with
// equal values.
class EventLogReader
{
public:
    explicit EventLogReader(QString path) : m_path(std::move(path)) {}

    QVector<QJsonObject> all() const;

    // The index of the first matching event at or after from, waiting up to timeout.
    std::optional<int> waitFor(const QJsonObject &pattern, int from = 0,
                               std::chrono::milliseconds timeout = std::chrono::seconds(15)) const;

    int countOf(const QJsonObject &pattern) const;

    static bool matches(const QJsonObject &event, const QJsonObject &pattern);

private:
    QString m_path;
};
