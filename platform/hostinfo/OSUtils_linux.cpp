#include "ElfVersionSection.h"
#include "OSUtils.h"

#include <QDir>
#include <QFile>

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(1 << 20);
}

// The value of a "key=value" line of an os-release file, unquoted.
QString osReleaseValue(const QByteArray &osRelease, const QString &key)
{
    for (const QByteArray &rawLine : osRelease.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (!line.startsWith(key + QLatin1Char('=')))
            continue;
        QString value = line.mid(key.size() + 1);
        if (value.size() >= 2 && (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\'')))
            && value.endsWith(value.at(0)))
            value = value.mid(1, value.size() - 2);
        return value.replace(QLatin1String("\\\""), QLatin1String("\""));
    }
    return QString();
}

// The "key : value" fields of /proc/cpuinfo named key, in order.
QStringList cpuInfoValues(const QByteArray &cpuInfo, const QString &key)
{
    QStringList values;
    for (const QByteArray &rawLine : cpuInfo.split('\n')) {
        const int colon = rawLine.indexOf(':');
        if (colon < 0 || QString::fromUtf8(rawLine.left(colon)).trimmed() != key)
            continue;
        values << QString::fromUtf8(rawLine.mid(colon + 1)).trimmed();
    }
    return values;
}

// The highest cpufreq maximum, in MHz; 0 without cpufreq.
int cpufreqMaxMHz()
{
    int best = 0;
    const QDir cpus(QStringLiteral("/sys/devices/system/cpu"));
    const QStringList entries = cpus.entryList({QStringLiteral("cpu[0-9]*")}, QDir::Dirs);
    for (const QString &cpu : entries) {
        const QByteArray khz = readSmallFile(cpus.filePath(cpu + QStringLiteral("/cpufreq/cpuinfo_max_freq")));
        bool ok = false;
        const qlonglong value = khz.trimmed().toLongLong(&ok);
        if (ok && value > 0)
            best = std::max(best, static_cast<int>(value / 1000));
    }
    return best;
}

// The highest "cpu MHz" of /proc/cpuinfo, rounded; 0 when none is given.
int cpuInfoMaxMHz(const QByteArray &cpuInfo)
{
    double best = 0;
    for (const QString &value : cpuInfoValues(cpuInfo, QStringLiteral("cpu MHz"))) {
        bool ok = false;
        const double mhz = value.toDouble(&ok);
        if (ok && std::isfinite(mhz) && mhz > best && mhz < 1e6)
            best = mhz;
    }
    return static_cast<int>(std::lround(best));
}

} // namespace

QString OSUtils::getMachineId()
{
    QByteArray id = readSmallFile(QStringLiteral("/etc/machine-id"));
    if (id.trimmed().isEmpty())
        id = readSmallFile(QStringLiteral("/var/lib/dbus/machine-id"));
    return applicationMachineId(id);
}

QString OSUtils::getOsVersion()
{
    QByteArray osRelease = readSmallFile(QStringLiteral("/etc/os-release"));
    if (osRelease.isEmpty())
        osRelease = readSmallFile(QStringLiteral("/usr/lib/os-release"));
    QString name = osReleaseValue(osRelease, QStringLiteral("PRETTY_NAME"));
    if (name.isEmpty())
        name = (osReleaseValue(osRelease, QStringLiteral("NAME")) + QLatin1Char(' ')
                + osReleaseValue(osRelease, QStringLiteral("VERSION_ID"))).trimmed();

    struct utsname host;
    if (uname(&host) != 0)
        return name;
    const QString kernel = QString::fromUtf8(host.sysname) + QLatin1Char(' ') + QString::fromUtf8(host.release);
    return name.isEmpty() ? kernel : name + QStringLiteral(" (") + kernel + QLatin1Char(')');
}

QString OSUtils::getCpuInfo(int *maxClockSpeed, int *processorCount)
{
    const QByteArray cpuInfo = readSmallFile(QStringLiteral("/proc/cpuinfo"));

    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    if (processorCount && online > 0)
        *processorCount = static_cast<int>(online);

    int mhz = cpufreqMaxMHz();
    if (mhz == 0)
        mhz = cpuInfoMaxMHz(cpuInfo);
    if (maxClockSpeed && mhz > 0)
        *maxClockSpeed = mhz;

    // x86 names the model "model name"; other architectures use one of the rest.
    for (const char *key : {"model name", "Model", "Hardware", "cpu model", "cpu"}) {
        const QStringList values = cpuInfoValues(cpuInfo, QString::fromLatin1(key));
        if (!values.isEmpty() && !values.first().isEmpty())
            return values.first();
    }
    struct utsname host;
    return uname(&host) == 0 ? QString::fromUtf8(host.machine) : QString();
}

int OSUtils::getTotalMemory()
{
    struct sysinfo info;
    if (sysinfo(&info) != 0)
        return 0;
    const unsigned long long bytes = static_cast<unsigned long long>(info.totalram) * info.mem_unit;
    return static_cast<int>(bytes / (1024ULL * 1024ULL));
}

QString OSUtils::getFileVersion(QString path)
{
    const QByteArray section = readElfSection(path, QByteArrayLiteral(".tavenor.version"));
    const int end = section.indexOf('\0');
    return QString::fromUtf8(end < 0 ? section : section.left(end)).trimmed();
}
