#include "OSUtils.h"

#include <QDir>
#include <QSysInfo>

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kBytesPerMB = 1024 * 1024;

// A key under HKEY_LOCAL_MACHINE, opened for reading in the registry's
// 64-bit view, so that a 32-bit build reads the same values as a 64-bit one.
class MachineKey
{
public:
    explicit MachineKey(const wchar_t *path)
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~MachineKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    MachineKey(const MachineKey &) = delete;
    MachineKey &operator=(const MachineKey &) = delete;

    // A REG_SZ value; empty when absent.
    QString text(const wchar_t *name) const
    {
        DWORD size = 0;
        if (!m_key || RegGetValueW(m_key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return QString();
        // The value may grow between the two calls: the second call then fails.
        std::vector<wchar_t> value(size / sizeof(wchar_t) + 1);
        size = DWORD(value.size() * sizeof(wchar_t));
        if (RegGetValueW(m_key, nullptr, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
            return QString();
        return QString::fromWCharArray(value.data()).trimmed();
    }

    // A REG_DWORD value; 0 when absent.
    DWORD number(const wchar_t *name) const
    {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (!m_key || RegGetValueW(m_key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
            return 0;
        return value;
    }

private:
    HKEY m_key = nullptr;
};

const wchar_t kFirstProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

// A file's version resource, read whole.
class VersionResource
{
public:
    explicit VersionResource(const QString &path)
    {
        const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
        DWORD unused = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &unused);
        if (size == 0)
            return;
        m_data.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, m_data.data()))
            m_data.clear();
    }

    // The text its first language gives as FileVersion; empty without one.
    QString fileVersionText() const
    {
        struct Translation
        {
            WORD language;
            WORD codePage;
        };
        UINT size = 0;
        const auto *translations = static_cast<const Translation *>(value(L"\\VarFileInfo\\Translation", &size));
        if (!translations || size < sizeof(Translation))
            return QString();
        const QString name = QStringLiteral("\\StringFileInfo\\%1%2\\FileVersion")
                                 .arg(translations->language, 4, 16, QLatin1Char('0'))
                                 .arg(translations->codePage, 4, 16, QLatin1Char('0'));
        const auto *text = static_cast<const wchar_t *>(value(name.toStdWString().c_str(), &size));
        // size counts characters here, with the terminating NUL when there is one.
        return text && size > 0 ? QString::fromWCharArray(text, int(size)).section(QChar(0), 0, 0).trimmed()
                                : QString();
    }

    // The fixed part's file version as "major.minor.build.revision"; empty without one.
    QString fixedFileVersion() const
    {
        UINT size = 0;
        const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value(L"\\", &size));
        if (!fixed || size < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
            return QString();
        return QStringLiteral("%1.%2.%3.%4")
            .arg(HIWORD(fixed->dwFileVersionMS))
            .arg(LOWORD(fixed->dwFileVersionMS))
            .arg(HIWORD(fixed->dwFileVersionLS))
            .arg(LOWORD(fixed->dwFileVersionLS));
    }

private:
    const void *value(const wchar_t *name, UINT *size) const
    {
        void *found = nullptr;
        if (m_data.empty() || !VerQueryValueW(m_data.data(), name, &found, size))
            return nullptr;
        return found;
    }

    std::vector<char> m_data;
};

} // namespace

QString OSUtils::getMachineId()
{
    const QString id = MachineKey(L"SOFTWARE\\Microsoft\\Cryptography").text(L"MachineGuid");
    return applicationMachineId(id.toUtf8());
}

// Qt asks the kernel for the version (RtlGetVersion), so the build number is
// right whatever the program's manifest declares; Qt 5 names every release
// from Windows 10 on "Windows 10", and the build number tells them apart.
QString OSUtils::getOsVersion()
{
    return QSysInfo::prettyProductName() + QStringLiteral(" (Windows NT ") + QSysInfo::kernelVersion()
           + QLatin1Char(')');
}

QString OSUtils::getCpuInfo(int *maxClockSpeed, int *processorCount)
{
    const DWORD processors = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    if (processorCount && processors > 0)
        *processorCount = int(processors);

    const MachineKey processor(kFirstProcessorKey);
    // The processor's rated speed, as the system measured it at start.
    const DWORD mhz = processor.number(L"~MHz");
    if (maxClockSpeed && mhz > 0 && mhz < 1000000)
        *maxClockSpeed = int(mhz);
    return processor.text(L"ProcessorNameString");
}

int OSUtils::getTotalMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return int(status.ullTotalPhys / kBytesPerMB);
}

QString OSUtils::getFileVersion(QString path)
{
    const VersionResource resource(path);
    const QString text = resource.fileVersionText();
    return text.isEmpty() ? resource.fixedFileVersion() : text;
}
