#include "GuestProcess.h"

#include "GuestProcessEnd.h"
#include "WindowsCommandLine.h"

#include <QDir>

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace GuestProcess {

namespace {

// Closes the handle when it goes out of scope.
class OwnedHandle
{
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~OwnedHandle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    OwnedHandle(const OwnedHandle &) = delete;
    OwnedHandle &operator=(const OwnedHandle &) = delete;

    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE m_handle;
};

quint64 creationTime(HANDLE process)
{
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return quint64(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

// The process with the given rights, when the handle still names it.
OwnedHandle openSame(const Handle &handle, DWORD rights)
{
    if (handle.pid <= 0)
        return OwnedHandle();
    HANDLE process = OpenProcess(rights | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(handle.pid));
    if (process && creationTime(process) != handle.startTime) {
        CloseHandle(process);
        process = nullptr;
    }
    return OwnedHandle(process);
}

OwnedHandle openInheritable(const QString &path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return OwnedHandle(CreateFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                                   disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The child inherits these two handles and no other.
class InheritedHandles
{
public:
    InheritedHandles(HANDLE input, HANDLE output) : m_handles{input, output}
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size);
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        m_list = list;
        if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles,
                                       sizeof m_handles, nullptr, nullptr)) {
            DeleteProcThreadAttributeList(m_list);
            m_list = nullptr;
        }
    }
    ~InheritedHandles()
    {
        if (m_list)
            DeleteProcThreadAttributeList(m_list);
    }
    InheritedHandles(const InheritedHandles &) = delete;
    InheritedHandles &operator=(const InheritedHandles &) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return m_list; }

private:
    HANDLE m_handles[2];
    std::vector<char> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

std::nullopt_t failed(QString *error)
{
    if (error)
        *error = qt_error_string(int(GetLastError()));
    return std::nullopt;
}

} // namespace

std::optional<Handle> spawn(const QString &program, const QStringList &arguments, const QString &logFile,
                            QString *error)
{
    const OwnedHandle input = openInheritable(QStringLiteral("NUL"), GENERIC_READ, OPEN_EXISTING);
    // Append-only access: every write lands at the end, also beside other writers.
    const OwnedHandle output = openInheritable(logFile, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS);
    if (!input || !output)
        return failed(error);
    const InheritedHandles inherited(input.get(), output.get());
    if (!inherited.list())
        return failed(error);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = output.get();
    startup.StartupInfo.hStdError = output.get();
    startup.lpAttributeList = inherited.list();
    std::wstring line = windowsCommandLine(program, arguments).toStdWString();
    const std::wstring application = QDir::toNativeSeparators(program).toStdWString();
    PROCESS_INFORMATION started{};
    // Its own process group, so that a console event meant for the player
    // does not reach it and one meant for it reaches only it; a console
    // without a window, so that it can be sent one.
    const DWORD flags = CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT |
                        EXTENDED_STARTUPINFO_PRESENT;
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup.StartupInfo, &started))
        return failed(error);
    const OwnedHandle process(started.hProcess);
    const OwnedHandle thread(started.hThread);
    return Handle{qint64(started.dwProcessId), creationTime(process.get())};
}

bool isRunning(const Handle &handle)
{
    const OwnedHandle process = openSame(handle, SYNCHRONIZE);
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

namespace end {

// A console control event reaches only processes attached to the sender's
// console, so the player attaches to the guest's console while it sends one
// (a GUI program has none of its own). The console belongs to the whole
// process: one sender at a time.
void ask(const Handle &handle)
{
    static std::mutex consoleLock;
    const std::lock_guard<std::mutex> lock(consoleLock);
    if (!AttachConsole(DWORD(handle.pid)))
        return;
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(handle.pid));
    FreeConsole();
}

void force(const Handle &handle)
{
    if (const OwnedHandle process = openSame(handle, PROCESS_TERMINATE))
        TerminateProcess(process.get(), 1);
}

} // namespace end

} // namespace GuestProcess
