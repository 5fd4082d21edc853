#include "ProcessTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <functional>

namespace ProcessTable {

namespace {

QByteArray procFile(const QString &pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<qint64> liveMatching(const std::function<bool(const QString &pid)> &matches)
{
    QList<qint64> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString &pid : pids) {
        if (pid.toLongLong() != qint64(QCoreApplication::applicationPid()) && matches(pid) && !gone(pid.toLongLong()))
            found.append(pid.toLongLong());
    }
    return found;
}

} // namespace

QList<qint64> withEnvironmentEntry(const QByteArray &entry)
{
    return liveMatching([&entry](const QString &pid) { return procFile(pid, "environ").split('\0').contains(entry); });
}

QList<qint64> running(const QByteArray &programSuffix, const QByteArray &firstArgument)
{
    return liveMatching([&](const QString &pid) {
        const QList<QByteArray> arguments = procFile(pid, "cmdline").split('\0');
        return arguments.size() >= 2 && arguments[0].endsWith(programSuffix) && arguments[1] == firstArgument;
    });
}

bool gone(qint64 pid)
{
    const QByteArray status = procFile(QString::number(pid), "status");
    return status.isEmpty() || status.contains("State:\tZ");
}

} // namespace ProcessTable
