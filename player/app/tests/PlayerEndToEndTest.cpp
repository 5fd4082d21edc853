#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QtTest>

#include <functional>
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

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QTest::qWait(50);
    }
    return true;
}

bool closeTo(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

struct GuestEvent
{
    QJsonObject fields;
    bool is(const char *agent, const char *dir, const char *type) const
    {
        return fields.value(QStringLiteral("agent")).toString() == QLatin1String(agent)
               && fields.value(QStringLiteral("dir")).toString() == QLatin1String(dir)
               && fields.value(QStringLiteral("type")).toString() == QLatin1String(type);
    }
    int value(const char *name) const { return fields.value(QLatin1String(name)).toInt(-1); }
};

} // namespace

class PlayerEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void playerShowsTheGuestAndTakesInput();
    void missingRendererLeavesThePlayerRunning();

private:
    void writeLeakSuppressions();
    // X server, tools and the player.
    QProcessEnvironment xEnvironment() const;
    QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr) const;
    QByteArray xdotool(const QStringList &arguments) const { return run(QStringLiteral("xdotool"), arguments); }
    QString screenshot(const QString &name) const;
    std::unique_ptr<QProcess> startPlayer(const QString &logName, const QProcessEnvironment &extra = {});
    void addLeakChecks(QProcessEnvironment &environment) const;
    QString playerLog() const;
    QString mainWindow(qint64 pid) const;
    QRect windowGeometry(const QString &window) const;
    // The exit question's window, once it is shown.
    QString questionWindow(qint64 pid, const QString &mainWindow) const;
    void clickAt(QPoint screenPos) const;

    // The guest.
    QList<GuestEvent> guestEvents() const;
    // Waits for events matching each predicate in turn, after index from.
    bool waitForGuestEvents(int from, const QList<std::function<bool(const GuestEvent &)>> &expected,
                            int timeoutMs = 10000) const;
    // The pid of the instance's guest, 0 when none runs.
    qint64 guestPid() const;
    bool guestRunning() const { return guestPid() != 0; }

    void closeThroughTheQuestion(QProcess &player, const QString &window);

    QString m_binDir;
    QString m_outputDir;
    std::unique_ptr<QProcess> m_xvfb;
    QString m_display;
    QString m_logPath;
    QString m_stateFolder;
    QString m_leakSuppressions;
};

// ---- Set-up ------------------------------------------------------------------

void PlayerEndToEndTest::initTestCase()
{
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(m_binDir + QStringLiteral("/TavenorPlayer")).isExecutable());
    m_outputDir = QDir::tempPath() + QStringLiteral("/e2e");
    QVERIFY(QDir().mkpath(m_outputDir));

    // A private X server: nothing else draws on its screen or takes its focus.
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(waitFor([this] { return m_xvfb->canReadLine() || m_xvfb->state() == QProcess::NotRunning; }, 20000));
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb->readLine().trimmed());
    QVERIFY2(m_display.size() > 1, "Xvfb gave no display");

    // The instance runs on the simulated engine with a 1280 x 720 guest.
    SettingsStore store(kInstance);
    store.setValue(SettingsKeys::kEngine, QStringLiteral("simulator"));
    store.setValue(SettingsKeys::kGraphics, 2);
    store.sync();
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    QVERIFY(QFile::copy(m_binDir + QStringLiteral("/data.vdi"), systemDiskPath()));
    m_stateFolder = vmFolder() + QLatin1Char('/') + kInstance + QStringLiteral(".sim");

    VMService::selectEngine(VMService::Engine::Simulator);
    writeLeakSuppressions();
}

// Under the address sanitizer the player asks Mesa's GL for the graphics
// card's name, and Mesa keeps what it allocates when a context is first
// made current. Its frames are found only by the slow unwinder, as Mesa has
// no frame pointers. Sanitizer options mean nothing to other builds.
void PlayerEndToEndTest::writeLeakSuppressions()
{
    QFile project(qEnvironmentVariable("TAVENOR_SOURCE_DIR") + QStringLiteral("/scripts/lsan-suppressions.txt"));
    QVERIFY(project.open(QIODevice::ReadOnly));
    m_leakSuppressions = m_outputDir + QStringLiteral("/lsan-suppressions.txt");
    QFile file(m_leakSuppressions);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(project.readAll());
    file.write("leak:__glDispatchMakeCurrent\n");
}

// A failed scenario leaves its player to be killed, which does not stop
// the guest: that is ended here, and told what went on before.
void PlayerEndToEndTest::cleanup()
{
    if (!QTest::currentTestFailed())
        return;
    qWarning("player log:\n%s", qPrintable(playerLog().right(4000)));
    qWarning("guest events: %d", int(guestEvents().size()));
    if (const qint64 pid = guestPid())
        QProcess::execute(QStringLiteral("kill"), {QString::number(pid)});
}

void PlayerEndToEndTest::cleanupTestCase()
{
    if (!m_xvfb)
        return;
    m_xvfb->terminate();
    m_xvfb->waitForFinished(5000);
}

QProcessEnvironment PlayerEndToEndTest::xEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

QByteArray PlayerEndToEndTest::run(const QString &program, const QStringList &arguments, int *exitCode) const
{
    QProcess process;
    process.setProcessEnvironment(xEnvironment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        process.kill();
    if (exitCode != nullptr)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1000;
    return process.readAllStandardOutput();
}

QString PlayerEndToEndTest::screenshot(const QString &name) const
{
    const QString path = m_outputDir + QLatin1Char('/') + name;
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:") + path});
    return path;
}

std::unique_ptr<QProcess> PlayerEndToEndTest::startPlayer(const QString &logName, const QProcessEnvironment &extra)
{
    m_logPath = m_outputDir + QLatin1Char('/') + logName;
    QProcessEnvironment environment = xEnvironment();
    // A short boot, so that the splash is seen and the test stays quick.
    environment.insert(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("1500"));
    for (const QString &key : extra.keys())
        environment.insert(key, extra.value(key));
    addLeakChecks(environment);
    auto player = std::make_unique<QProcess>();
    player->setProcessEnvironment(environment);
    player->setProcessChannelMode(QProcess::MergedChannels);
    player->setStandardOutputFile(m_logPath);
    player->start(m_binDir + QStringLiteral("/TavenorPlayer"), {kInstance});
    return player;
}

// Every player process: its leaks inside Mesa and the web engine are found
// only by the slow unwinder.
void PlayerEndToEndTest::addLeakChecks(QProcessEnvironment &environment) const
{
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":fast_unwind_on_malloc=0"));
    environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=") + m_leakSuppressions);
}

QString PlayerEndToEndTest::playerLog() const
{
    QFile file(m_logPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString PlayerEndToEndTest::mainWindow(qint64 pid) const
{
    QString window;
    waitFor(
        [&] {
            window = QString::fromLatin1(
                xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--maxdepth"),
                         QStringLiteral("1"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(pid), QStringLiteral("--name"), QStringLiteral("Pellow")})
                    .split('\n')
                    .value(0));
            return !window.isEmpty();
        },
        20000);
    return window;
}

QRect PlayerEndToEndTest::windowGeometry(const QString &window) const
{
    QMap<QString, int> values;
    const QByteArray shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QByteArray &line : shell.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromLatin1(line.left(equals)), line.mid(equals + 1).toInt());
    }
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

QString PlayerEndToEndTest::questionWindow(qint64 pid, const QString &mainWindow) const
{
    QString question;
    waitFor(
        [&] {
            const QList<QByteArray> windows =
                xdotool({QStringLiteral("search"), QStringLiteral("--maxdepth"), QStringLiteral("1"),
                         QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)})
                    .split('\n');
            for (const QByteArray &window : windows) {
                const QString id = QString::fromLatin1(window.trimmed());
                if (id.isEmpty() || id == mainWindow)
                    continue;
                // Tool tips are small windows too.
                const QRect geometry = windowGeometry(id);
                if (geometry.width() > 100 && geometry.height() > 60) {
                    question = id;
                    return true;
                }
            }
            return false;
        },
        10000);
    return question;
}

void PlayerEndToEndTest::clickAt(QPoint screenPos) const
{
    xdotool({QStringLiteral("mousemove"), QString::number(screenPos.x()), QString::number(screenPos.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

// ---- The guest's side --------------------------------------------------------

QList<GuestEvent> PlayerEndToEndTest::guestEvents() const
{
    QList<GuestEvent> events;
    QFile file(m_stateFolder + QStringLiteral("/events.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            events.append({document.object()});
    }
    return events;
}

bool PlayerEndToEndTest::waitForGuestEvents(int from, const QList<std::function<bool(const GuestEvent &)>> &expected,
                                            int timeoutMs) const
{
    return waitFor(
        [&] {
            const QList<GuestEvent> events = guestEvents();
            int next = 0;
            for (int i = from; i < events.size() && next < expected.size(); ++i) {
                if (expected[next](events[i]))
                    ++next;
            }
            return next == expected.size();
        },
        timeoutMs);
}

// The simulated engine runs the guest as `tavenor-guest <state folder>`.
qint64 PlayerEndToEndTest::guestPid() const
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs);
    for (const QString &pid : pids) {
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> arguments = cmdline.readAll().split('\0');
        if (arguments.size() < 2 || !arguments[0].endsWith("tavenor-guest")
            || QString::fromLocal8Bit(arguments[1]) != m_stateFolder)
            continue;
        QFile status(QStringLiteral("/proc/") + pid + QStringLiteral("/status"));
        if (status.open(QIODevice::ReadOnly) && !status.readAll().contains("State:\tZ"))
            return pid.toLongLong();
    }
    return 0;
}

namespace {

std::function<bool(const GuestEvent &)> key(int scan, int action)
{
    return [scan, action](const GuestEvent &event) {
        return event.is("vinput", "in", "key") && event.value("scan") == scan && event.value("action") == action;
    };
}

std::function<bool(const GuestEvent &)> touch(int x, int y, int action)
{
    return [x, y, action](const GuestEvent &event) {
        return event.is("vinput", "in", "touch") && event.value("x") == x && event.value("y") == y
               && event.value("action") == action;
    };
}

} // namespace

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
    QVERIFY2(player.waitForFinished(30000), "the player did not end after Close");
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
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry(window), QRect(320, 138, 1280, 804), 10000);
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
                    30000));
    QVERIFY2(!playerLog().contains(QStringLiteral("create server failed")),
             "the guest-service ports are taken by another process");

    // The guest reports ready and its screen replaces the splash.
    QVERIFY2(waitForGuestEvents(0, {[](const GuestEvent &e) { return e.is("misc", "out", "ready"); }}, 30000),
             qPrintable(playerLog()));
    QString shown;
    QVERIFY2(waitFor(
                 [&] {
                     shown = screenshot(QStringLiteral("player.png"));
                     return closeTo(QImage(shown).pixelColor(mark), kGuestMark);
                 },
                 15000),
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
        10000));
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
        QVERIFY(second.waitForFinished(30000));
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
    QVERIFY(waitFor([&] { return questionWindow(player->processId(), window).isEmpty(); }, 10000));
    QCOMPARE(player->state(), QProcess::Running);
    QVERIFY(guestRunning());

    // "Close" ends the player, its guest and the machine's registration.
    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, 10000));
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
    QVERIFY2(waitFor([this] { return playerLog().contains(QStringLiteral("misc connected show opengl")); }, 30000),
             qPrintable(playerLog()));
    QVERIFY(playerLog().contains(QStringLiteral("fail to load libOpenglRender.dll")));

    // Still there and still taking input for the guest.
    QCOMPARE(player->state(), QProcess::Running);
    const int from = guestEvents().size();
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("a")});
    QVERIFY(waitForGuestEvents(from, {key(30, 0), key(30, 1)}));

    closeThroughTheQuestion(*player, window);
    QVERIFY(waitFor([this] { return !guestRunning(); }, 10000));
}

QTEST_GUILESS_MAIN(PlayerEndToEndTest)
#include "PlayerEndToEndTest.moc"
