#include "ProcessFigures.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

QByteArray readProc(qint64 pid, const char *file)
{
    QFile proc(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    return proc.open(QIODevice::ReadOnly) ? proc.readAll() : QByteArray();
}

// The number after "key:" in a /proc key-value file, -1 when absent.
qint64 field(const QByteArray &text, const QByteArray &key)
{
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith(key + ':'))
            continue;
        return line.mid(key.size() + 1).simplified().split(' ').value(0).toLongLong();
    }
    return -1;
}

// utime and stime from /proc/<pid>/stat, the 14th and 15th fields; the
// program name before them may hold spaces, so count from its ')'.
qint64 cpuMsOf(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const qint64 ticks = fields[11].toLongLong() + fields[12].toLongLong();
    return ticks * 1000 / ::sysconf(_SC_CLK_TCK);
}

} // namespace

ProcessFigures ProcessFigures::of(qint64 pid)
{
    ProcessFigures figures;
    const QByteArray status = readProc(pid, "status");
    if (status.isEmpty())
        return figures;
    figures.rssKb = field(status, "VmRSS");
    figures.threads = int(field(status, "Threads"));
    figures.pssKb = pssOf(pid);
    figures.privateKb = privateOf(pid);
    figures.cpuMs = cpuMsOf(pid);
    figures.descriptors =
        QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size();
    return figures;
}

qint64 ProcessFigures::pssOf(qint64 pid)
{
    return field(readProc(pid, "smaps_rollup"), "Pss");
}

qint64 ProcessFigures::privateOf(qint64 pid)
{
    const QByteArray rollup = readProc(pid, "smaps_rollup");
    const qint64 clean = field(rollup, "Private_Clean");
    const qint64 dirty = field(rollup, "Private_Dirty");
    return clean < 0 || dirty < 0 ? -1 : clean + dirty;
}

QList<qint64> ProcessFigures::descendants(qint64 pid)
{
    QList<qint64> found;
    QList<qint64> parents{pid};
    while (!parents.isEmpty()) {
        const qint64 parent = parents.takeFirst();
        const QStringList tasks =
            QDir(QStringLiteral("/proc/%1/task").arg(parent)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &task : tasks) {
            QFile children(QStringLiteral("/proc/%1/task/%2/children").arg(parent).arg(task));
            if (!children.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &child : children.readAll().split(' ')) {
                const qint64 childPid = child.trimmed().toLongLong();
                if (childPid > 0 && !found.contains(childPid)) {
                    found.append(childPid);
                    parents.append(childPid);
                }
            }
        }
    }
    return found;
}

QString ProcessFigures::name(qint64 pid)
{
    return QString::fromLocal8Bit(readProc(pid, "comm").trimmed());
}
