#include "GuestRunner.h"

#include "Eventually.h"

#include <QDir>
#include <QFile>

QString GuestRunner::program()
{
    return QDir(qEnvironmentVariable("TAVENOR_BIN_DIR")).filePath(QStringLiteral("tavenor-guest"));
}

GuestRunner::GuestRunner(QString stateFolder, Options options)
    : m_stateFolder(std::move(stateFolder)), m_options(std::move(options)),
      m_control(QDir(m_stateFolder).filePath(QStringLiteral("control.sock")))
{
}

GuestRunner::~GuestRunner()
{
    if (m_process.state() != QProcess::NotRunning && !terminate())
        m_process.kill();
    m_process.waitForFinished(5000);
}

QString GuestRunner::stateFile(const QString &name) const
{
    return QDir(m_stateFolder).filePath(name);
}

EventLogReader GuestRunner::events() const
{
    return EventLogReader(stateFile(QStringLiteral("events.jsonl")));
}

QByteArray GuestRunner::log() const
{
    QFile file(stateFile(QStringLiteral("guest.log")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool GuestRunner::start()
{
    m_process.setStandardOutputFile(stateFile(QStringLiteral("guest.log")), QIODevice::Append);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{
        QStringLiteral("--host"),          m_options.host,
        QStringLiteral("--boot-delay-ms"), QString::number(m_options.bootDelayMs),
        QStringLiteral("--fps"),           QString::number(m_options.framesPerSecond)};
    arguments += m_options.extraArguments;
    arguments.append(m_stateFolder);
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    return eventually(
        [this] { return m_process.state() == QProcess::Running && m_control.connect(); });
}

QString GuestRunner::control(const QByteArray &line)
{
    return m_control.send(line);
}

bool GuestRunner::terminate()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    return waitForExit();
}

bool GuestRunner::waitForExit(int timeoutMs)
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}
