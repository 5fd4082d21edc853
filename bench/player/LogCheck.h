#pragma once

#include <QStringList>

// Error lines of a player log: a sanitizer's report, or a line that says
// "error" or "failed" (in any case), except the benign lines listed in
// LogCheck.cpp with the reason each is harmless.
class LogCheck
{
public:
    static QStringList errorLines(const QString &log);
    static bool isError(const QString &line);
};
