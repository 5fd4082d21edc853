#pragma once

#include <QString>
#include <QStringList>

// The command line that starts program with arguments on Windows, written so
// that the program's C runtime splits it back into exactly those arguments:
// an argument that is empty or holds white space or a quote is quoted, a
// quote in it is escaped, and backslashes are doubled only where a quote
// follows them. The program's path gets Windows' separators.
QString windowsCommandLine(const QString &program, const QStringList &arguments);
