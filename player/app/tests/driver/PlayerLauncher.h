#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class XSession;

// Starts the built player on an X session, its output to a log file of its
// own, with the leak checks a sanitized player needs.
class PlayerLauncher
{
public:
    PlayerLauncher(const XSession &session, const QString &binDir, const QString &outputDir);

    // Prepares instance for the simulated guest at 1280 x 720, with a
    // vendor service that is never asked and a system disk from the build.
    static bool prepareSimulatedInstance(const QString &instance, const QString &binDir);

    // The project's leak suppressions and those of a player process, into
    // the output folder.
    bool writeLeakSuppressions(const QString &sourceDir);
    void addLeakChecks(QProcessEnvironment &environment) const;
    // Variables every start gets (before extra's).
    void setDefault(const QString &name, const QString &value) { m_defaults.insert(name, value); }

    // Starts program (the built player when empty) with arguments; its
    // output goes to logName in the output folder.
    std::unique_ptr<QProcess> start(const QString &logName, const QProcessEnvironment &extra,
                                    const QStringList &arguments, const QString &program = QString());
    QString logPath() const { return m_logPath; }
    QString log() const;

    // A player of instance that the starts caused (one restarted detached
    // included), 0 when none runs. Players of other test runs on the
    // machine may have the same instance name.
    qint64 startedPlayer(const QString &instance) const;
    // Ends every process the starts caused, whatever state a failed check
    // left them in, and waits until they have gone: the players, a player
    // one of them started again detached, their guests and browser helpers
    // all inherit the launcher's mark in their environment. How many were
    // still there.
    int endAllStarted();

private:
    const XSession &m_session;
    QString m_binDir;
    QString m_outputDir;
    QString m_leakSuppressions;
    QString m_logPath;
    QProcessEnvironment m_defaults;
    QByteArray m_mark;
};
