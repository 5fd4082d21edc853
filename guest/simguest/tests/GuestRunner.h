#pragma once

#include "ControlClient.h"
#include "EventLogReader.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// Runs tavenor-guest (from TAVENOR_BIN_DIR) on a state folder, as the engine
// would, and talks to it through its control socket. The guest's output
// goes to guest.log in the state folder.
class GuestRunner
{
public:
    struct Options
    {
        QString host = QStringLiteral("127.0.0.3"); // nothing listens there
        int bootDelayMs = 100;
        int framesPerSecond = 10;
        QStringList extraArguments;
    };

    static QString program();

    GuestRunner(QString stateFolder, Options options);
    ~GuestRunner();
    GuestRunner(const GuestRunner &) = delete;
    GuestRunner &operator=(const GuestRunner &) = delete;

    // Starts the guest and waits until its control socket answers.
    bool start();

    // Sends one command line; returns the answer line without its line
    // feed, or an empty text when none came.
    QString control(const QByteArray &line);

    // SIGTERM, then waits for the exit; false if it did not end in time.
    bool terminate();
    bool waitForExit(int timeoutMs = 10000);

    QProcess &process() { return m_process; }
    EventLogReader events() const;
    QString stateFile(const QString &name) const;
    QByteArray log() const;

private:
    QString m_stateFolder;
    Options m_options;
    QProcess m_process;
    ControlClient m_control;
};
