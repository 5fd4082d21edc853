#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs VirtualBox's command-line interface. Each call is its own process with
// an argument list (never a shell) and a time-out; one runner may be used by
// several threads at once.
class VBoxManageRunner
{
public:
    struct Timeouts
    {
        int callMs = 30000;   // any call
        int powerMs = 120000; // starting or powering off a machine
        // How long a call that VirtualBox refuses for a locked machine is
        // made again before the refusal counts (VirtualBoxEngine).
        int lockWaitMs = 10000;
    };

    struct Result
    {
        enum class Status {
            Finished,      // exited normally, with exitCode
            NotFound,      // no VBoxManage is known
            FailedToStart, // the program could not be run
            TimedOut,      // killed after the time-out
            Crashed,       // ended by a signal
        };
        Status status = Status::NotFound;
        int exitCode = -1;
        QByteArray out;
        QByteArray err;

        bool succeeded() const { return status == Status::Finished && exitCode == 0; }
    };

    explicit VBoxManageRunner(QString program);
    VBoxManageRunner(QString program, Timeouts timeouts);

    // Where VBoxManage is: the environment variable TAVENOR_VBOXMANAGE when set
    // (read at this call), else the PATH, else VirtualBox's standard install
    // locations. Empty when none has it.
    static QString locate();

    const QString &program() const { return m_program; }
    const Timeouts &timeouts() const { return m_timeouts; }

    Result run(const QStringList &arguments) const { return run(arguments, m_timeouts.callMs); }
    Result run(const QStringList &arguments, int timeoutMs) const;

private:
    QString m_program;
    Timeouts m_timeouts;
};
