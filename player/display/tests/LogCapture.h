#pragma once

#include <QStringList>
#include <QtGlobal>

// Records every Qt log message while it exists (from any thread) and passes
// each on to the handler installed before it, so QTest::ignoreMessage keeps
// working.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList messages() const;
    // Messages equal to text.
    int count(const QString &text) const;
    // Messages that start with prefix.
    QStringList startingWith(const QString &prefix) const;
};
