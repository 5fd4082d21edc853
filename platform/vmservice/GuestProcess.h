#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The simulated machine's process: started in its own process group, and
// recognised again by any later process through its pid and start time, so a
// guest left running by an ended player can still be stopped. One
// implementation per system (GuestProcess_linux.cpp, GuestProcess_windows.cpp).
namespace GuestProcess {

struct Handle
{
    qint64 pid = 0;
    quint64 startTime = 0; // the system's start time of pid, to tell a reused pid
};

// Starts program with arguments, standard input from the null device and its
// output and errors appended to logFile.
std::optional<Handle> spawn(const QString &program, const QStringList &arguments,
                            const QString &logFile, QString *error);

// True while the process runs; reaps it when it is this process's child and
// has ended.
bool isRunning(const Handle &handle);

// Asks its process group to end (Linux: SIGTERM; Windows: CTRL_BREAK_EVENT)
// and ends it outright (SIGKILL to the group; TerminateProcess) when it has
// not ended after graceMs. Returns when it has ended (or a further bound has
// passed).
void terminate(const Handle &handle, int graceMs);

} // namespace GuestProcess
