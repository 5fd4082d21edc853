#include "app/Paths.h"
#include "driver/GuestEvent.h"
#include "driver/PlayerLauncher.h"
#include "driver/Polling.h"
#include "driver/ProcessTable.h"
#include "driver/SimGuestProbe.h"
#include "driver/XSession.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <VMService.h>
#include <VideoProbe.h>

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QSet>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <cmath>
#include <functional>
#include <csignal>
#include <sys/types.h>
#include <memory>

// The player program end to end: TavenorPlayer on a private X server (Xvfb),
// driven with real X input (xdotool) against the simulated guest, whose
// events.jsonl shows what reached the guest.
//
// The guest connects to the fixed guest-service ports, so this test holds
// them (RESOURCE_LOCK guest-ports).
namespace {

const QString kInstance = QStringLiteral("e2e");
constexpr int kGuestWidth = 1280;
constexpr int kGuestHeight = 720;
// Where the guest display sits in the window (frame margin, title bar).
const QPoint kDisplayOrigin(2, 36);
// The guest always draws this colour in a 24 x 24 block at (8, 4).
const QColor kGuestMark(0x3d, 0xdc, 0x84);

bool closeTo(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

} // namespace

class PlayerEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void playerShowsTheGuestAndTakesInput();
    void missingRendererLeavesThePlayerRunning();
    void settingsSavedAndRestartBringThePlayerBackWithThem();
    void screenAndRecordButtonsWriteFiles();
    void terminationSignalStopsTheGuest();
    void closingHidesTheWindowWhileVirtualBoxIsSlow();
    void instanceNameThatIsNoFileNameIsRefused();
    void missingVirtualBoxEndsTheStart();
    void updaterIsStartedAtEveryStart();
    void typingGoesOnThroughGuestReconnects();
    void killedPlayerStartsAgainOnTheSameDisk();
    void guestDeathLeavesThePlayerToClose();
    void silentVendorServiceHoldsNothingUp();

private:
    // X server, tools and the player.
    QProcessEnvironment xEnvironment() const { return m_x.environment(); }
    QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr) const
    {
        return m_x.run(program, arguments, exitCode);
    }
    QByteArray xdotool(const QStringList &arguments) const { return m_x.xdotool(arguments); }
    QString screenshot(const QString &name) const;
    std::unique_ptr<QProcess> startPlayer(const QString &logName, const QProcessEnvironment &extra = {},
                                          const QStringList &arguments = {kInstance},
                                          const QString &program = QString())
    {
        return m_launcher->start(logName, extra, arguments, program);
    }
    // The stand-in VBoxManage with its machines in folder.
    QProcessEnvironment standInVirtualBox(const QString &folder) const;
    void addLeakChecks(QProcessEnvironment &environment) const { m_launcher->addLeakChecks(environment); }
    QString playerLog() const { return m_launcher->log(); }
    QString mainWindow(qint64 pid) const { return m_x.mainWindow(pid); }
    // The windows of pid shown now.
    QStringList visibleWindows(qint64 pid) const { return m_x.visibleWindows(pid); }
    QRect windowGeometry(const QString &window) const { return m_x.windowGeometry(window); }
    // The exit question's window, once it is shown.
    QString questionWindow(qint64 pid, const QString &mainWindow) const { return m_x.otherWindow(pid, mainWindow); }
    void clickAt(QPoint screenPos) const { m_x.clickAt(screenPos); }

    // The guest.
    QList<GuestEvent> guestEvents() const { return m_guest->events(); }
    // Waits for events matching each predicate in turn, after index from.
    bool waitForGuestEvents(int from, const QList<GuestEventMatch> &expected, int timeoutMs = kReactionMs) const
    {
        return m_guest->waitForEvents(from, expected, timeoutMs);
    }
    // The pid of the instance's guest, 0 when none runs.
    qint64 guestPid() const { return m_guest->pid(); }
    bool guestRunning() const { return guestPid() != 0; }
    // One line to the guest's control socket; its answer line.
    QByteArray guestCommand(const QByteArray &line) const { return m_guest->command(line); }

    void closeThroughTheQuestion(QProcess &player, const QString &window);
    // Starts the player and waits until the guest's screen shows in it.
    QString startUntilGuestShows(std::unique_ptr<QProcess> &player, const QString &logName);

    QString m_binDir;
    QString m_outputDir;
    XSession m_x;
    std::unique_ptr<PlayerLauncher> m_launcher;
    std::unique_ptr<SimGuestProbe> m_guest;
    QString m_stateFolder;
};

// ---- Set-up ------------------------------------------------------------------

void PlayerEndToEndTest::initTestCase()
{
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(m_binDir + QStringLiteral("/TavenorPlayer")).isExecutable());
    m_outputDir = QDir::tempPath() + QStringLiteral("/e2e");
    QVERIFY(QDir().mkpath(m_outputDir));
    QVERIFY2(m_x.start(), "Xvfb gave no display");

    // The instance runs on the simulated engine with a 1280 x 720 guest.
    QVERIFY(!QFile::exists(systemDiskPath()));
    QVERIFY(PlayerLauncher::prepareSimulatedInstance(kInstance, m_binDir));
    m_guest = std::make_unique<SimGuestProbe>(kInstance);
    m_stateFolder = m_guest->stateFolder();

    VMService::selectEngine(VMService::Engine::Simulator);
    m_launcher = std::make_unique<PlayerLauncher>(m_x, m_binDir, m_outputDir);
    QVERIFY(m_launcher->writeLeakSuppressions(qEnvironmentVariable("TAVENOR_SOURCE_DIR")));
    // A short boot, so that the splash is seen and the test stays quick.
    m_launcher->setDefault(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("1500"));
}

// A failed scenario can leave a player, one it restarted or a guest behind:
// every one is ended here, so that the next scenario starts clean.
void PlayerEndToEndTest::cleanup()
{
    if (QTest::currentTestFailed()) {
        qWarning("player log:\n%s", qPrintable(playerLog().right(4000)));
        qWarning("guest events: %d", int(guestEvents().size()));
    }
    if (const int left = m_launcher->endAllStarted())
        qWarning("ended %d processes the scenario left", left);
}

QString PlayerEndToEndTest::screenshot(const QString &name) const
{
    const QString path = m_outputDir + QLatin1Char('/') + name;
    m_x.screenshot(path);
    return path;
}

QProcessEnvironment PlayerEndToEndTest::standInVirtualBox(const QString &folder) const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("TAVENOR_VBOXMANAGE"),
                       m_binDir + QStringLiteral("/../tests/vboxmanage-standin/VBoxManage"));
    environment.insert(QStringLiteral("TAVENOR_FAKE_VBOX_DIR"), folder);
    return environment;
}


// ---- Scenarios ---------------------------------------------------------------

void PlayerEndToEndTest::closeThroughTheQuestion(QProcess &player, const QString &window)
{
    const QRect frame = windowGeometry(window);
    // The title bar's close button: its rightmost 46 x 36 px.
    clickAt(QPoint(frame.right() - 12, frame.top() + 18));
    const QString question = questionWindow(player.processId(), window);
    QVERIFY2(!question.isEmpty(), "closing did not ask");
    // "Close" is the question's default button.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), question, QStringLiteral("key"),
             QStringLiteral("Return")});
    QVERIFY2(player.waitForFinished(kStartMs), "the player did not end after Close");
    QCOMPARE(player.exitStatus(), QProcess::NormalExit);
    QCOMPARE(player.exitCode(), 0);
}

void PlayerEndToEndTest::playerShowsTheGuestAndTakesInput()
{
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("player.log"));
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));

    // Centred on the 1920 x 1080 screen at the guest's size plus the bars.
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry(window), QRect(320, 138, 1280, 804), kReactionMs);
    const QRect frame = windowGeometry(window);
    const QPoint display = frame.topLeft() + kDisplayOrigin;
    const QPoint mark = display + QPoint(18, 14);

    // While the guest boots the splash holds the display's place.
    const QImage booting(screenshot(QStringLiteral("booting.png")));
    const bool stillBooting = !playerLog().contains(QStringLiteral("misc connected show opengl"));
    if (stillBooting)
        QVERIFY(!closeTo(booting.pixelColor(mark), kGuestMark));
    else
        qWarning("the guest was ready before the first screenshot: splash not checked");

    // Another player (or test) holding the fixed ports would get our guest.
    QVERIFY(waitFor([this] { return playerLog().contains(QStringLiteral("add new server 22576"))
                                    || playerLog().contains(QStringLiteral("create server failed")); },
                    kStartMs));
    QVERIFY2(!playerLog().contains(QStringLiteral("create server failed")),
             "the guest-service ports are taken by another process");

    // The guest reports ready and its screen replaces the splash.
    QVERIFY2(waitForGuestEvents(0, {[](const GuestEvent &e) { return e.is("misc", "out", "ready"); }}, kStartMs),
             qPrintable(playerLog()));
    QString shown;
    QVERIFY2(waitFor(
                 [&] {
                     shown = screenshot(QStringLiteral("player.png"));
                     return closeTo(QImage(shown).pixelColor(mark), kGuestMark);
                 },
                 kReactionMs),
             "the guest screen did not show");
    const double mean = run(QStringLiteral("convert"), {shown, QStringLiteral("-format"), QStringLiteral("%[fx:mean]"),
                                                        QStringLiteral("info:")})
                            .trimmed()
                            .toDouble();
    QVERIFY2(mean > 0.0, "the screenshot is blank");

    // Typing reaches the guest as key presses and releases.
    int from = guestEvents().size();
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY2(waitForGuestEvents(from, {key(30, 0), key(30, 1), key(48, 0), key(48, 1)}), "typing did not arrive");

    // A click in the middle of the display, in guest coordinates.
    from = guestEvents().size();
    clickAt(display + QPoint(638, 357));
    QVERIFY2(waitForGuestEvents(from, {touch(640, 359, 0), touch(640, 359, 1)}), "the click did not arrive");

    // The navigation buttons at the right end of the tool bar.
    const int buttonsY = frame.bottom() - 25;
    const struct
    {
        int fromRight;
        int scan;
    } buttons[] = {{122, 158}, {74, 172}, {26, 254}};
    for (const auto &button : buttons) {
        from = guestEvents().size();
        clickAt(QPoint(frame.right() + 1 - button.fromRight, buttonsY));
        QVERIFY2(waitForGuestEvents(from, {key(button.scan, 0), key(button.scan, 1)}),
                 qPrintable(QStringLiteral("navigation key %1").arg(button.scan)));
    }

    // A key held while another window takes the focus is released in the
    // guest.
    from = guestEvents().size();
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("keydown"), QStringLiteral("d")});
    QVERIFY(waitForGuestEvents(from, {key(32, 0)}));
    QProcess other;
    other.setProcessEnvironment(xEnvironment());
    other.start(QStringLiteral("xclock"), {QStringLiteral("-geometry"), QStringLiteral("100x100+0+0")});
    QString otherWindow;
    QVERIFY(waitFor(
        [&] {
            otherWindow = QString::fromLatin1(xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                       QStringLiteral("--pid"), QString::number(other.processId())})
                                                  .split('\n')
                                                  .value(0));
            return !otherWindow.isEmpty();
        },
        kReactionMs));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), otherWindow});
    QVERIFY2(waitForGuestEvents(from, {key(32, 0), key(32, 1)}), "the held key stayed down in the guest");
    xdotool({QStringLiteral("keyup"), QStringLiteral("d")});
    other.kill();
    other.waitForFinished(5000);

    // A second player of the same instance is refused.
    {
        QProcess second;
        QProcessEnvironment environment = xEnvironment();
        addLeakChecks(environment);
        second.setProcessEnvironment(environment);
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(m_binDir + QStringLiteral("/TavenorPlayer"), {kInstance});
        QVERIFY(second.waitForFinished(kStartMs));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 255);
        QVERIFY(second.readAll().contains("Same instance has ran!"));
    }
    QVERIFY(guestRunning());

    // "Stay" (Escape on the question) keeps the player and its guest.
    clickAt(QPoint(frame.right() - 12, frame.top() + 18));
    const QString question = questionWindow(player->processId(), window);
    QVERIFY2(!question.isEmpty(), "closing did not ask");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), question, QStringLiteral("key"),
             QStringLiteral("Escape")});
    QVERIFY(waitFor([&] { return questionWindow(player->processId(), window).isEmpty(); }, kReactionMs));
    QCOMPARE(player->state(), QProcess::Running);
    QVERIFY(guestRunning());

    // "Close" ends the player, its guest and the machine's registration.
    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
    QVERIFY(!VMService::getVMService()->findMachine(kInstance));
}

void PlayerEndToEndTest::missingRendererLeavesThePlayerRunning()
{
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("TAVENOR_RENDERER_LIBRARY"), m_outputDir + QStringLiteral("/missing/libOpenglRender.so"));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("no-renderer.log"), extra);
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    QVERIFY(playerLog().contains(QStringLiteral("fail to load libOpenglRender.dll")));

    // Still there and still taking input for the guest.
    QCOMPARE(player->state(), QProcess::Running);
    const int from = guestEvents().size();
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("a")});
    QVERIFY(waitForGuestEvents(from, {key(30, 0), key(30, 1)}));

    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
}

namespace {

// How many colours a grid of samples over `area` shows.
int coloursIn(const QImage &image, const QRect &area)
{
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); y += 17) {
        for (int x = area.left(); x <= area.right(); x += 13)
            colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

} // namespace

// From the tool bar to the settings and back: the Settings button opens the
// dialog, a changed preset is saved, the restart is accepted, and a new
// player of the same instance starts its machine with the new CPU count.
// While the guest boots the splash shows in the display's place.
void PlayerEndToEndTest::settingsSavedAndRestartBringThePlayerBackWithThem()
{
    SettingsStore(kInstance).setValue(SettingsKeys::kPerformance, 0);
    QProcessEnvironment slowBoot;
    slowBoot.insert(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("5000"));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("settings.log"), slowBoot);
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry(window), QRect(320, 138, 1280, 804), kReactionMs);
    const QRect frame = windowGeometry(window);
    const QRect display(frame.topLeft() + kDisplayOrigin, QSize(kGuestWidth, kGuestHeight));
    const QPoint mark = display.topLeft() + QPoint(18, 14);

    // The splash: pictures and a help text, not an empty area, while the
    // guest still boots.
    QVERIFY2(waitFor([&] {
                 const QImage booting(screenshot(QStringLiteral("settings-booting.png")));
                 return !closeTo(booting.pixelColor(mark), kGuestMark) && coloursIn(booting, display) >= 3;
             }, kReactionMs),
             "the splash area is empty");
    QVERIFY2(!playerLog().contains(QStringLiteral("misc connected show opengl")), "the guest was up too soon");
    QVERIFY2(waitFor([&] { return closeTo(QImage(screenshot(QStringLiteral("settings-up.png"))).pixelColor(mark),
                                          kGuestMark); },
                     kStartMs),
             qPrintable(playerLog()));
    QCOMPARE(QSettings(m_stateFolder + QStringLiteral("/hardware"), QSettings::IniFormat).value("cpus").toInt(), 1);

    // The Settings button: the seventh of the tool bar's 48-pixel buttons.
    clickAt(QPoint(frame.left() + 2 + 6 * 49 + 24, frame.bottom() - 25));
    QString dialog;
    QVERIFY2(waitFor(
                 [&] {
                     dialog = questionWindow(player->processId(), window);
                     return windowGeometry(dialog).size() == QSize(573, 447);
                 },
                 kReactionMs),
             "the settings dialog did not open");

    // Low to Medium (2 CPUs) on the list that has the focus, then Save,
    // the last control of the page's focus chain.
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
    xdotool({QStringLiteral("key"), QStringLiteral("Down")});
    for (int i = 0; i < 8; ++i)
        xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
    xdotool({QStringLiteral("key"), QStringLiteral("space")});
    QTRY_COMPARE_WITH_TIMEOUT(SettingsStore(kInstance).intValue(SettingsKeys::kPerformance, -1), 1, kReactionMs);

    // The restart question; Return accepts it.
    QString question;
    QVERIFY(waitFor(
        [&] {
            question = questionWindow(player->processId(), window);
            return !question.isEmpty() && question != dialog && windowGeometry(question).size() != QSize(573, 447);
        },
        kReactionMs));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), question, QStringLiteral("key"),
             QStringLiteral("Return")});
    QVERIFY2(player->waitForFinished(kStartMs), "the player did not quit for the restart");
    QCOMPARE(player->exitCode(), 0);

    // The new player of the same instance, with the machine at 2 CPUs.
    qint64 restarted = 0;
    // Something else can carry a player's command line for a moment (a
    // player's child between its fork and its exec): the new player is the
    // one that shows its window.
    QVERIFY2(waitFor([&] {
                 restarted = m_launcher->startedPlayer(kInstance);
                 return restarted != 0 && !visibleWindows(restarted).isEmpty();
             }, kStartMs),
             qPrintable(playerLog()));
    const QString newWindow = mainWindow(restarted);
    QVERIFY(!newWindow.isEmpty());
    // The guest the old player left running is stopped by the new launch,
    // which sizes the machine before it starts it again.
    QVERIFY2(waitFor([this] { return guestRunning()
                                     && QSettings(m_stateFolder + QStringLiteral("/hardware"), QSettings::IniFormat)
                                                .value("cpus")
                                                .toInt()
                                            == 2; },
                     kStartMs),
             "the restarted player's machine is not at 2 CPUs");

    // Closed through its question, it leaves no guest behind.
    const QRect newFrame = windowGeometry(newWindow);
    clickAt(QPoint(newFrame.right() - 12, newFrame.top() + 18));
    const QString closing = questionWindow(restarted, newWindow);
    QVERIFY2(!closing.isEmpty(), "closing did not ask");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), closing, QStringLiteral("key"),
             QStringLiteral("Return")});
    QVERIFY(waitFor([restarted] { return ProcessTable::gone(restarted); }, kStartMs));
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
    SettingsStore(kInstance).remove(SettingsKeys::kPerformance);
}

QString PlayerEndToEndTest::startUntilGuestShows(std::unique_ptr<QProcess> &player, const QString &logName)
{
    player = startPlayer(logName);
    if (!player->waitForStarted())
        return QString();
    const QString window = mainWindow(player->processId());
    if (window.isEmpty()
        || !waitFor([&] { return windowGeometry(window) == QRect(320, 138, 1280, 804); }, kReactionMs))
        return QString();
    const QPoint mark = windowGeometry(window).topLeft() + kDisplayOrigin + QPoint(18, 14);
    const bool shown = waitFor(
        [&] { return closeTo(QImage(screenshot(QStringLiteral("guest.png"))).pixelColor(mark), kGuestMark); },
        kStartMs);
    return shown ? window : QString();
}

namespace {

// Pure red pixels, as the record button's light draws them.
int redPixels(const QImage &shot)
{
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += c.red() > 220 && c.green() < 40 && c.blue() < 40 ? 1 : 0;
        }
    }
    return count;
}

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

} // namespace

// The Screen button writes a PNG of the guest; the Record button, clicked
// twice, an MP4 as long as the recording, its light blinking meanwhile; a
// player closed while recording finishes its file before it ends.
void PlayerEndToEndTest::screenAndRecordButtonsWriteFiles()
{
    const QString captures = m_outputDir + QStringLiteral("/captures");
    const QString records = m_outputDir + QStringLiteral("/records");
    for (const QString &folder : {captures, records}) {
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
    }
    {
        SettingsStore store(kInstance);
        store.setValue(SettingsKeys::kScreenCap, captures);
        store.setValue(SettingsKeys::kScreenRecord, records);
        store.sync();
    }
    std::unique_ptr<QProcess> player;
    const QString window = startUntilGuestShows(player, QStringLiteral("buttons.log"));
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    const QRect frame = windowGeometry(window);
    const int barY = frame.bottom() - 25;
    const QPoint screenButton(frame.left() + 26, barY);
    const QPoint recordButton(frame.left() + 75, barY);
    // Only the left end of the tool bar is read: small screenshots keep up
    // with the light's one-second phases on a loaded machine.
    const QRect bar(frame.left(), frame.bottom() - 49, 200, 50);
    const auto lightPixels = [&] {
        const QString path = m_outputDir + QStringLiteral("/light.png");
        const QString crop =
            QStringLiteral("%1x%2+%3+%4").arg(bar.width()).arg(bar.height()).arg(bar.x()).arg(bar.y());
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                       crop, QStringLiteral("png:") + path});
        return redPixels(QImage(path));
    };

    clickAt(screenButton);
    QVERIFY2(waitFor([&] { return filesIn(captures, QStringLiteral("*.png")).size() == 1; }, kReactionMs),
             qPrintable(playerLog()));
    const QImage png(captures + QLatin1Char('/') + filesIn(captures, QStringLiteral("*.png")).first());
    QCOMPARE(png.size(), QSize(kGuestWidth, kGuestHeight));
    QVERIFY(closeTo(png.pixelColor(18, 14), kGuestMark));

    QCOMPARE(lightPixels(), 0);
    QElapsedTimer wall;
    clickAt(recordButton);
    wall.start();
    QVERIFY2(waitFor([&] { return lightPixels() > 20; }, kReactionMs), "the record light did not come on");
    QVERIFY2(waitFor([&] { return lightPixels() == 0; }, kReactionMs), "the record light did not blink");
    QVERIFY(waitFor([&] { return wall.elapsed() > 3000; }, 6000));
    clickAt(recordButton);
    const double seconds = wall.elapsed() / 1000.0;
    QVERIFY2(waitFor([&] { return playerLog().contains(QStringLiteral("record finished")); }, kReactionMs),
             qPrintable(playerLog()));
    const QStringList videos = filesIn(records, QStringLiteral("*.mp4"));
    QCOMPARE(videos.size(), 1);
    const VideoProbe video = VideoProbe::of((records + QLatin1Char('/') + videos.first()).toStdString());
    QCOMPARE(video.width, kGuestWidth);
    QCOMPARE(video.height, kGuestHeight);
    QVERIFY2(std::abs(video.duration - seconds) < 0.6,
             qPrintable(QStringLiteral("%1 s of video for %2 s").arg(video.duration).arg(seconds)));
    QVERIFY2(video.frames >= 25, qPrintable(QString::number(video.frames)));
    QVERIFY(waitFor([&] { return lightPixels() == 0; }, kReactionMs));

    // Closed while recording: the second file is finished and plays.
    clickAt(recordButton);
    QVERIFY(waitFor([&] { return filesIn(records, QStringLiteral("*.mp4")).size() == 2; }, kReactionMs));
    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
    QStringList both = filesIn(records, QStringLiteral("*.mp4"));
    both.removeAll(videos.first());
    const VideoProbe last = VideoProbe::of((records + QLatin1Char('/') + both.first()).toStdString());
    QVERIFY(last.readable);
    QVERIFY(last.frames >= 1);
}

// Ending the session (or Ctrl+C) ends the player as a confirmed exit does.
void PlayerEndToEndTest::terminationSignalStopsTheGuest()
{
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("sigterm.log"));
    QVERIFY(player->waitForStarted());
    QVERIFY2(!mainWindow(player->processId()).isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    QVERIFY(guestRunning());

    QCOMPARE(::kill(pid_t(player->processId()), SIGTERM), 0);
    QVERIFY2(player->waitForFinished(kStartMs), "the player did not end on SIGTERM");
    QCOMPARE(player->exitStatus(), QProcess::NormalExit);
    QCOMPARE(player->exitCode(), 0);
    QVERIFY(!guestRunning());
    QVERIFY(!VMService::getVMService()->findMachine(kInstance));
}

// VirtualBox can take minutes to power a machine off: the window goes at
// once, the player ends when the machine is stopped and unregistered.
void PlayerEndToEndTest::closingHidesTheWindowWhileVirtualBoxIsSlow()
{
    const QString instance = QStringLiteral("e2e-vbox");
    const QString folder = m_outputDir + QStringLiteral("/vbox");
    QVERIFY(QDir().mkpath(folder));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("slow-vbox.log"), standInVirtualBox(folder), {instance});
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("add new server 22576")); }, kStartMs),
             qPrintable(playerLog()));
    const auto machineState = [&folder] {
        QFile file(folder + QStringLiteral("/state.json"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        const QJsonArray machines = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("machines")).toArray();
        return machines.isEmpty() ? QStringLiteral("none")
                                  : machines.first().toObject().value(QStringLiteral("state")).toString();
    };
    QCOMPARE(machineState(), QStringLiteral("running"));

    QFile faults(folder + QStringLiteral("/faults"));
    QVERIFY(faults.open(QIODevice::WriteOnly));
    faults.write("controlvm wait\n");
    faults.close();
    const QRect frame = windowGeometry(window);
    clickAt(QPoint(frame.right() - 12, frame.top() + 18));
    const QString question = questionWindow(player->processId(), window);
    QVERIFY2(!question.isEmpty(), "closing did not ask");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), question, QStringLiteral("key"),
             QStringLiteral("Return")});

    // The power-off hangs in VBoxManage; nothing of the player is shown.
    QVERIFY(waitFor([&] { return visibleWindows(player->processId()).isEmpty(); }, kReactionMs));
    QVERIFY(waitFor([this] { return playerLog().contains(QStringLiteral("shutting down the machine")); }, kReactionMs));
    QCOMPARE(player->state(), QProcess::Running);
    QCOMPARE(machineState(), QStringLiteral("running"));

    QFile go(folder + QStringLiteral("/go"));
    QVERIFY(go.open(QIODevice::WriteOnly));
    go.close();
    QVERIFY2(player->waitForFinished(kStartMs), qPrintable(playerLog()));
    QCOMPARE(player->exitStatus(), QProcess::NormalExit);
    QCOMPARE(player->exitCode(), 0);
    QCOMPARE(machineState(), QStringLiteral("none"));
}

// The name is part of file paths: "../x" would write beside the VM folder.
void PlayerEndToEndTest::instanceNameThatIsNoFileNameIsRefused()
{
    const QString outside = QFileInfo(vmFolder()).path();
    const QStringList before = QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    std::unique_ptr<QProcess> player =
        startPlayer(QStringLiteral("bad-name.log"), {}, {QStringLiteral("../x")});
    QVERIFY(player->waitForStarted());
    // The message box, dismissed with its button.
    const QString box = questionWindow(player->processId(), QString());
    QVERIFY2(!box.isEmpty(), qPrintable(playerLog()));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box, QStringLiteral("key"),
             QStringLiteral("Return")});
    QVERIFY(player->waitForFinished(kStartMs));
    QCOMPARE(player->exitCode(), 255);
    QVERIFY2(playerLog().contains(QStringLiteral("Invalid instance name \"../x\"")), qPrintable(playerLog()));
    QVERIFY(!playerLog().contains(QStringLiteral("start player")));
    QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(!QFileInfo::exists(dataFolder() + QStringLiteral("/data_..")));
}

void PlayerEndToEndTest::missingVirtualBoxEndsTheStart()
{
    QProcessEnvironment extra = standInVirtualBox(m_outputDir);
    extra.insert(QStringLiteral("TAVENOR_VBOXMANAGE"), m_outputDir + QStringLiteral("/no-such/VBoxManage"));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("no-vbox.log"), extra, {QStringLiteral("novbox")});
    QVERIFY(player->waitForFinished(kStartMs));
    QCOMPARE(player->exitStatus(), QProcess::NormalExit);
    QCOMPARE(player->exitCode(), 255);
    QVERIFY2(playerLog().contains(QStringLiteral("vbox not installed")), qPrintable(playerLog()));
    QVERIFY(!playerLog().contains(QStringLiteral("start player")));
}

// A copy of the player in an install folder of its own, whose updater
// leaves a mark when it runs.
void PlayerEndToEndTest::updaterIsStartedAtEveryStart()
{
    const QString install = m_outputDir + QStringLiteral("/install");
    QVERIFY(QDir().mkpath(install));
    const QString program = install + QStringLiteral("/TavenorPlayer");
    QFile::remove(program);
    QVERIFY(QFile::copy(m_binDir + QStringLiteral("/TavenorPlayer"), program));
    const QString mark = install + QStringLiteral("/updater-ran");
    QFile updater(install + QStringLiteral("/TavenorUpdater"));
    QVERIFY(updater.open(QIODevice::WriteOnly));
    updater.write(QStringLiteral("#!/bin/sh\necho ran >> '%1'\n").arg(mark).toUtf8());
    updater.close();
    QVERIFY(updater.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    // The copy finds the program's libraries where they were built.
    QProcessEnvironment extra = standInVirtualBox(m_outputDir);
    extra.insert(QStringLiteral("LD_LIBRARY_PATH"), m_binDir);
    for (int start = 1; start <= 2; ++start) {
        std::unique_ptr<QProcess> player =
            startPlayer(QStringLiteral("updater.log"), extra, {QStringLiteral("updater")}, program);
        QVERIFY(player->waitForStarted());
        QVERIFY2(waitFor([&] {
                     QFile file(mark);
                     return file.open(QIODevice::ReadOnly) && file.readAll().count('\n') == start;
                 }, kStartMs),
                 qPrintable(playerLog()));
        QCOMPARE(::kill(pid_t(player->processId()), SIGTERM), 0);
        QVERIFY(player->waitForFinished(kStartMs));
    }
}

// The guest drops each of its connections in turn while a key is held; each
// comes back, and typing reaches the guest again after every drop.
void PlayerEndToEndTest::typingGoesOnThroughGuestReconnects()
{
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("reconnect.log"));
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});

    const QStringList links = {QStringLiteral("vinput"), QStringLiteral("misc"), QStringLiteral("clipboard"),
                               QStringLiteral("ime"), QStringLiteral("gl")};
    for (const QString &link : links)
        QVERIFY2(waitForGuestEvents(0, {connected(link)}, kStartMs), qPrintable(link + QStringLiteral(" never came up")));
    for (int cycle = 0; cycle < 100; ++cycle) {
        const QString link = links[cycle % links.size()];
        const int from = guestEvents().size();
        xdotool({QStringLiteral("keydown"), QStringLiteral("a")});
        const QByteArray answer = guestCommand("drop " + link.toLatin1());
        xdotool({QStringLiteral("keyup"), QStringLiteral("a")});
        QVERIFY2(answer == "ok", qPrintable(link + QStringLiteral(": ") + QString::fromLatin1(answer)));
        QVERIFY2(waitForGuestEvents(from, {connected(link)}),
                 qPrintable(QStringLiteral("%1 did not come back in cycle %2").arg(link).arg(cycle)));
        const int back = guestEvents().size();
        xdotool({QStringLiteral("key"), QStringLiteral("b")});
        QVERIFY2(waitForGuestEvents(back, {key(48, 0), key(48, 1)}),
                 qPrintable(QStringLiteral("typing lost after %1 came back in cycle %2").arg(link).arg(cycle)));
    }
    QVERIFY2(keysHeldInTheGuest(guestEvents()).isEmpty(), "a key stayed down in the guest");
    QCOMPARE(player->state(), QProcess::Running);
    QVERIFY2(!playerLog().contains(QStringLiteral("the guest has gone")), "a reconnect was taken for a loss");

    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
}

// A player ended by SIGKILL takes its simulated guest with it but leaves its
// machine registered: the next start of the instance is let in, stops that
// machine and starts its own on the same data disk, which neither touches.
void PlayerEndToEndTest::killedPlayerStartsAgainOnTheSameDisk()
{
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("killed.log"));
    QVERIFY(player->waitForStarted());
    QVERIFY2(!mainWindow(player->processId()).isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    const qint64 leftGuest = guestPid();
    QVERIFY(leftGuest != 0);
    player->kill();
    QVERIFY(player->waitForFinished(kStartMs));
    QVERIFY2(waitFor([leftGuest] { return ProcessTable::gone(leftGuest); }, kReactionMs),
             "the killed player's guest outlived it");
    QVERIFY(VMService::getVMService()->findMachine(kInstance));
    QFile disk(dataDiskPath(kInstance));
    QVERIFY(disk.open(QIODevice::ReadOnly));
    const QByteArray before = disk.readAll();
    disk.close();
    QVERIFY(!before.isEmpty());

    player = startPlayer(QStringLiteral("killed-again.log"));
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    QVERIFY(guestRunning());

    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
    QVERIFY(!VMService::getVMService()->findMachine(kInstance));
    QVERIFY(disk.open(QIODevice::ReadOnly));
    QVERIFY2(disk.readAll() == before, "the data disk changed");
}

// The guest ends without a word (as a crashed machine does): the player
// says so, goes on answering and closes as usual, its machine stopped and
// unregistered.
void PlayerEndToEndTest::guestDeathLeavesThePlayerToClose()
{
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("guest-death.log"));
    QVERIFY(player->waitForStarted());
    const QString window = mainWindow(player->processId());
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, kStartMs),
             qPrintable(playerLog()));
    const qint64 guest = guestPid();
    QCOMPARE(::kill(pid_t(guest), SIGKILL), 0);
    QVERIFY(waitFor([guest] { return ProcessTable::gone(guest); }, kReactionMs));
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("the guest has gone")); }, kReactionMs),
             qPrintable(playerLog()));

    closeThroughTheQuestion(*player, window);
    QVERIFY(!VMService::getVMService()->findMachine(kInstance));
}

// The vendor's web service takes the requests and never answers: the guest
// shows all the same, and the close waits for the reports a short while only.
void PlayerEndToEndTest::silentVendorServiceHoldsNothingUp()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    QList<QTcpSocket *> held;
    connect(&silent, &QTcpServer::newConnection, &silent, [&] {
        while (QTcpSocket *socket = silent.nextPendingConnection())
            held.append(socket);
    });
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    shared.setValue(SettingsKeys::kServiceUrl, QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()));
    shared.sync();

    std::unique_ptr<QProcess> player;
    const QString window = startUntilGuestShows(player, QStringLiteral("silent-service.log"));
    shared.setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    shared.sync();
    QVERIFY2(!window.isEmpty(), qPrintable(playerLog()));
    QVERIFY2(waitFor([&] { return !held.isEmpty(); }, kReactionMs), "nothing asked the service");

    QElapsedTimer closing;
    closing.start();
    closeThroughTheQuestion(*player, window);
    // The exit waits 2 s for its reports; a request left to its own
    // time-out would hold it 15 s.
    QVERIFY2(playerLog().contains(QStringLiteral("host report still pending at exit")), qPrintable(playerLog()));
    QVERIFY2(closing.elapsed() < 14000, qPrintable(QString::number(closing.elapsed())));
    QVERIFY(waitFor([this] { return !guestRunning(); }, kReactionMs));
}

QTEST_GUILESS_MAIN(PlayerEndToEndTest)
#include "PlayerEndToEndTest.moc"
