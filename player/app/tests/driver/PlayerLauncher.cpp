#include "PlayerLauncher.h"

#include "Polling.h"
#include "ProcessTable.h"
#include "XSession.h"
#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QProcess>
#include <QUuid>

#include <algorithm>
#include <csignal>

PlayerLauncher::PlayerLauncher(const XSession &session, const QString &binDir, const QString &outputDir)
    : m_session(session),
      m_binDir(binDir),
      m_outputDir(outputDir),
      m_mark(QByteArrayLiteral("TAVENOR_TEST_LAUNCHER=") + QUuid::createUuid().toByteArray(QUuid::WithoutBraces))
{
}

bool PlayerLauncher::prepareSimulatedInstance(const QString &instance, const QString &binDir)
{
    SettingsStore store(instance);
    store.setValue(SettingsKeys::kEngine, QStringLiteral("simulator"));
    store.setValue(SettingsKeys::kGraphics, 2);
    store.sync();
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    shared.setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    shared.sync();
    return QFile::exists(systemDiskPath()) || QFile::copy(binDir + QStringLiteral("/data.vdi"), systemDiskPath());
}

// Under the address sanitizer the player asks Mesa's GL for the graphics
// card's name, and Mesa keeps what it allocates when a context is first
// made current. Its frames are found only by the slow unwinder, as Mesa has
// no frame pointers. Sanitizer options mean nothing to other builds.
bool PlayerLauncher::writeLeakSuppressions(const QString &sourceDir)
{
    QFile project(sourceDir + QStringLiteral("/scripts/lsan-suppressions.txt"));
    if (!project.open(QIODevice::ReadOnly))
        return false;
    m_leakSuppressions = m_outputDir + QStringLiteral("/lsan-suppressions.txt");
    QFile file(m_leakSuppressions);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(project.readAll());
    file.write("leak:__glDispatchMakeCurrent\n");
    return true;
}

// Every player process: its leaks inside Mesa and the web engine are found
// only by the slow unwinder.
void PlayerLauncher::addLeakChecks(QProcessEnvironment &environment) const
{
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":fast_unwind_on_malloc=0"));
    environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + m_leakSuppressions);
}

std::unique_ptr<QProcess> PlayerLauncher::start(const QString &logName, const QProcessEnvironment &extra,
                                                const QStringList &arguments, const QString &program)
{
    m_logPath = m_outputDir + QLatin1Char('/') + logName;
    QProcessEnvironment environment = m_session.environment();
    for (const QString &name : m_defaults.keys())
        environment.insert(name, m_defaults.value(name));
    for (const QString &name : extra.keys())
        environment.insert(name, extra.value(name));
    addLeakChecks(environment);
    const int equals = m_mark.indexOf('=');
    environment.insert(QString::fromLatin1(m_mark.left(equals)), QString::fromLatin1(m_mark.mid(equals + 1)));
    auto player = std::make_unique<QProcess>();
    player->setProcessEnvironment(environment);
    player->setProcessChannelMode(QProcess::MergedChannels);
    player->setStandardOutputFile(m_logPath);
    player->start(program.isEmpty() ? m_binDir + QStringLiteral("/TavenorPlayer") : program, arguments);
    return player;
}

QString PlayerLauncher::log() const
{
    QFile file(m_logPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

qint64 PlayerLauncher::startedPlayer(const QString &instance) const
{
    const QList<qint64> started = ProcessTable::withEnvironmentEntry(m_mark);
    for (const qint64 pid : ProcessTable::running("/TavenorPlayer", instance.toUtf8())) {
        if (started.contains(pid))
            return pid;
    }
    return 0;
}

int PlayerLauncher::endAllStarted()
{
    const QList<qint64> left = ProcessTable::withEnvironmentEntry(m_mark);
    for (const qint64 pid : left)
        ::kill(pid_t(pid), SIGKILL);
    waitFor([&left] { return std::all_of(left.begin(), left.end(), ProcessTable::gone); }, 30000);
    return left.size();
}
