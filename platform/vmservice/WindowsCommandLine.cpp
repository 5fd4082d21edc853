#include "WindowsCommandLine.h"

#include <algorithm>

namespace {

QString quoted(const QString &argument)
{
    const bool plain = !argument.isEmpty() &&
                       std::none_of(argument.begin(), argument.end(),
                                    [](QChar c) { return c.isSpace() || c == QLatin1Char('"'); });
    if (plain)
        return argument;
    QString text(QLatin1Char('"'));
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"'))
            text += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        else
            text += QString(backslashes, QLatin1Char('\\'));
        text += c;
        backslashes = 0;
    }
    return text + QString(backslashes * 2, QLatin1Char('\\')) + QLatin1Char('"');
}

} // namespace

QString windowsCommandLine(const QString &program, const QStringList &arguments)
{
    QString line = quoted(QString(program).replace(QLatin1Char('/'), QLatin1Char('\\')));
    for (const QString &argument : arguments)
        line += QLatin1Char(' ') + quoted(argument);
    return line;
}
