#include "app/Paths.h"
#include "driver/PlayerLauncher.h"
#include "driver/Polling.h"
#include "driver/XSession.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <ScriptedHttpServer.h>
#include <VideoProbe.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QUrlQuery>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/types.h>

// Every way the player ends, end to end: TavenorPlayer on a private X server
// against the simulated guest, its vendor service a web server on loopback.
// What each ending owes is checked where it lands: the reports at the web
// server, a recording in its file.
//
// The guest connects to the fixed guest-service ports, so this test holds
// them (RESOURCE_LOCK guest-ports).
namespace {

const QString kInstance = QStringLiteral("endings");

// The "running" value of each host report that reached the server.
QStringList reportsAt(const ScriptedHttpServer &server)
{
    QStringList running;
    for (const QByteArray &target : server.targets()) {
        const QUrl url(QString::fromLatin1(target));
        if (url.path() == QLatin1String("/api/client/inforeport"))
            running << QUrlQuery(url).queryItemValue(QStringLiteral("running"));
    }
    return running;
}

} // namespace

class PlayerEndingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void startShowAndConfirmedCloseEachReport();
    void terminationSignalSendsTheCloseReport();
    void missingVirtualBoxStillSendsTheStartReport();
    void recordingOfAKilledPlayerPlays();

private:
    std::unique_ptr<QProcess> startPlayer(const QString &logName, const QProcessEnvironment &extra = {},
                                          const QString &instance = kInstance)
    {
        return m_launcher->start(logName, extra, {instance});
    }
    // Starts the player and waits until the guest's display and its frames
    // are up; the main window, or none.
    QString startUntilGuestShows(std::unique_ptr<QProcess> &player, const QString &logName);
    bool reported(const QStringList &running) const
    {
        return waitFor([&] { return reportsAt(m_service) == running; }, kReactionMs);
    }
    // Waits for the player to end while this test's web server goes on
    // answering.
    static bool ended(const QProcess &player)
    {
        return waitFor([&] { return player.state() == QProcess::NotRunning; }, kStartMs);
    }

    QString m_binDir;
    QString m_outputDir;
    XSession m_x;
    std::unique_ptr<PlayerLauncher> m_launcher;
    ScriptedHttpServer m_service;
};

void PlayerEndingsTest::initTestCase()
{
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(m_binDir + QStringLiteral("/TavenorPlayer")).isExecutable());
    m_outputDir = QDir::tempPath() + QStringLiteral("/endings");
    QVERIFY(QDir().mkpath(m_outputDir));
    QVERIFY2(m_x.start(), "Xvfb gave no display");
    QVERIFY(PlayerLauncher::prepareSimulatedInstance(kInstance, m_binDir));
    m_launcher = std::make_unique<PlayerLauncher>(m_x, m_binDir, m_outputDir);
    QVERIFY(m_launcher->writeLeakSuppressions(qEnvironmentVariable("TAVENOR_SOURCE_DIR")));
    m_launcher->setDefault(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("1500"));

    QVERIFY(m_service.listen());
    m_service.answer("/api/client/inforeport", QByteArray());
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    shared.setValue(SettingsKeys::kServiceUrl, m_service.baseUrl());
    shared.sync();
}

// A killed player leaves its guest running, a failed scenario perhaps its
// player: whatever the scenario started is ended here.
void PlayerEndingsTest::cleanup()
{
    if (QTest::currentTestFailed())
        qWarning("player log:\n%s", qPrintable(m_launcher->log().right(4000)));
    m_launcher->endAllStarted();
}

QString PlayerEndingsTest::startUntilGuestShows(std::unique_ptr<QProcess> &player, const QString &logName)
{
    player = startPlayer(logName);
    if (!player->waitForStarted())
        return QString();
    const QString window = m_x.mainWindow(player->processId());
    const auto logged = [this] {
        const QString log = m_launcher->log();
        return log.contains(QStringLiteral("misc connected show opengl"))
               && log.contains(QStringLiteral("display stream connected"));
    };
    return !window.isEmpty() && waitFor(logged, kStartMs) ? window : QString();
}

// The start, the guest display shown, a refused second start and the
// confirmed close each send one report; only the close says "false".
void PlayerEndingsTest::startShowAndConfirmedCloseEachReport()
{
    std::unique_ptr<QProcess> player;
    const QString window = startUntilGuestShows(player, QStringLiteral("reports.log"));
    QVERIFY2(!window.isEmpty(), qPrintable(m_launcher->log()));
    QVERIFY(reported({QStringLiteral("true"), QStringLiteral("true")}));

    std::unique_ptr<QProcess> second = startPlayer(QStringLiteral("refused.log"));
    QVERIFY(ended(*second));
    QCOMPARE(second->exitCode(), 255);
    QVERIFY(reported({QStringLiteral("true"), QStringLiteral("true"), QStringLiteral("true")}));

    const QRect frame = m_x.windowGeometry(window);
    // The title bar's close button, then "Close", the question's default.
    m_x.clickAt(QPoint(frame.right() - 12, frame.top() + 18));
    const QString question = m_x.otherWindow(player->processId(), window);
    QVERIFY2(!question.isEmpty(), "closing did not ask");
    m_x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), question, QStringLiteral("key"),
                 QStringLiteral("Return")});
    QVERIFY(ended(*player));
    QCOMPARE(player->exitCode(), 0);
    QVERIFY(reported({QStringLiteral("true"), QStringLiteral("true"), QStringLiteral("true"),
                      QStringLiteral("false")}));
}

// Logging out ends the player as a confirmed exit does, report included.
void PlayerEndingsTest::terminationSignalSendsTheCloseReport()
{
    const QStringList before = reportsAt(m_service);
    std::unique_ptr<QProcess> player;
    QVERIFY2(!startUntilGuestShows(player, QStringLiteral("sigterm.log")).isEmpty(), qPrintable(m_launcher->log()));
    QVERIFY(reported(before + QStringList{QStringLiteral("true"), QStringLiteral("true")}));
    QCOMPARE(::kill(pid_t(player->processId()), SIGTERM), 0);
    QVERIFY(ended(*player));
    QCOMPARE(player->exitCode(), 0);
    QVERIFY(reported(before + QStringList{QStringLiteral("true"), QStringLiteral("true"), QStringLiteral("false")}));
}

// The start report leaves before the check for VirtualBox ends the start.
void PlayerEndingsTest::missingVirtualBoxStillSendsTheStartReport()
{
    const QStringList before = reportsAt(m_service);
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("TAVENOR_VBOXMANAGE"), m_outputDir + QStringLiteral("/no-such/VBoxManage"));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("no-vbox.log"), extra, QStringLiteral("novbox"));
    QVERIFY(ended(*player));
    QCOMPARE(player->exitCode(), 255);
    QVERIFY2(m_launcher->log().contains(QStringLiteral("vbox not installed")), qPrintable(m_launcher->log()));
    QCOMPARE(reportsAt(m_service), before + QStringList{QStringLiteral("true")});
}

// A player killed three seconds into a recording leaves a file that plays
// nearly all of those seconds.
void PlayerEndingsTest::recordingOfAKilledPlayerPlays()
{
    const QString records = m_outputDir + QStringLiteral("/records");
    QDir(records).removeRecursively();
    QVERIFY(QDir().mkpath(records));
    SettingsStore store(kInstance);
    store.setValue(SettingsKeys::kScreenRecord, records);
    store.sync();

    std::unique_ptr<QProcess> player;
    const QString window = startUntilGuestShows(player, QStringLiteral("killed-recording.log"));
    QVERIFY2(!window.isEmpty(), qPrintable(m_launcher->log()));
    const QRect frame = m_x.windowGeometry(window);
    // The Record button, second on the tool bar.
    m_x.clickAt(QPoint(frame.left() + 75, frame.bottom() - 25));
    QStringList files;
    QVERIFY2(waitFor([&] { return !(files = QDir(records).entryList({QStringLiteral("*.mp4")})).isEmpty(); },
                     kReactionMs),
             qPrintable(m_launcher->log()));
    QElapsedTimer recording;
    recording.start();
    QVERIFY(waitFor([&] { return recording.elapsed() >= 3000; }, 5000));
    player->kill();
    QVERIFY(ended(*player));

    const VideoProbe video = VideoProbe::of((records + QLatin1Char('/') + files.first()).toStdString());
    QVERIFY2(video.readable, "the killed player's recording does not play");
    QVERIFY(video.frames >= 10);
    QVERIFY(!video.frameTimes.empty());
    const double span = video.frameTimes.back() - video.frameTimes.front();
    QVERIFY2(span >= 1.9 && span <= 3.5, qPrintable(QStringLiteral("%1 s of frames").arg(span)));
}

QTEST_GUILESS_MAIN(PlayerEndingsTest)
#include "PlayerEndingsTest.moc"
