#include "GuestProcess.h"

#include "GuestProcessEnd.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace GuestProcess {

namespace {

struct ProcStat
{
    char state = 0;
    quint64 startTime = 0;
};

// /proc/<pid>/stat: the command name is in parentheses and may hold spaces
// or parentheses itself, so fields are counted from the last ')'.
std::optional<ProcStat> readProcStat(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.readAll();
    const int close = text.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    // After ')': state is field 3, start time field 22.
    const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
    if (fields.size() < 20 || fields.at(0).isEmpty())
        return std::nullopt;
    bool ok = false;
    ProcStat stat{fields.at(0).at(0), fields.at(19).toULongLong(&ok)};
    if (!ok)
        return std::nullopt;
    return stat;
}

void signalGroup(const Handle &handle, int signal)
{
    if (::kill(pid_t(-handle.pid), signal) != 0)
        ::kill(pid_t(handle.pid), signal);
}

} // namespace

std::optional<Handle> spawn(const QString &program, const QStringList &arguments, const QString &logFile,
                            QString *error)
{
    const QByteArray programPath = QFile::encodeName(program);
    const QByteArray logPath = QFile::encodeName(logFile);
    std::vector<QByteArray> argumentBytes{programPath};
    for (const QString &argument : arguments)
        argumentBytes.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.constData(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t allSignals;
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &allSignals);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int status = posix_spawn(&pid, programPath.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0) {
        if (error)
            *error = QString::fromLocal8Bit(strerror(status));
        return std::nullopt;
    }
    Handle handle{pid, 0};
    if (const auto stat = readProcStat(pid))
        handle.startTime = stat->startTime;
    return handle;
}

bool isRunning(const Handle &handle)
{
    if (handle.pid <= 0)
        return false;
    int status = 0;
    const pid_t waited = ::waitpid(pid_t(handle.pid), &status, WNOHANG);
    if (waited == pid_t(handle.pid))
        return false;
    if (waited == 0)
        return true;
    // Not this process's child: started by an earlier process.
    if (const auto stat = readProcStat(handle.pid))
        return stat->startTime == handle.startTime && stat->state != 'Z' && stat->state != 'X';
    if (QFile::exists(QStringLiteral("/proc/self")))
        return false; // no such process
    return ::kill(pid_t(handle.pid), 0) == 0; // a system without /proc
}

namespace end {

void ask(const Handle &handle)
{
    signalGroup(handle, SIGTERM);
}

void force(const Handle &handle)
{
    signalGroup(handle, SIGKILL);
}

} // namespace end

} // namespace GuestProcess
