#include "HostInfo.h"

#include <QFile>
#include <QThread>

#if defined(_WIN32)
#  include <windows.h>
#  include <intrin.h>
#else
#  include <unistd.h>
#endif

namespace HostInfo {

int processorCount()
{
    return QThread::idealThreadCount();
}

int memorySizeMB()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return int(status.ullTotalPhys / (1024 * 1024));
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return int((qint64(pages) * pageSize) / (1024 * 1024));
#endif
}

bool hasVirtualizationSupport()
{
#if defined(_WIN32)
    int info[4] = {};
    __cpuid(info, 1);
    const bool vmx = info[2] & (1 << 5);
    __cpuid(info, 0x80000001);
    const bool svm = info[2] & (1 << 2);
    return vmx || svm;
#else
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return false;
    while (!cpuinfo.atEnd()) {
        const QByteArray line = cpuinfo.readLine();
        if (!line.startsWith("flags"))
            continue;
        const QList<QByteArray> flags = line.mid(line.indexOf(':') + 1).simplified().split(' ');
        return flags.contains("vmx") || flags.contains("svm");
    }
    return false;
#endif
}

} // namespace HostInfo
