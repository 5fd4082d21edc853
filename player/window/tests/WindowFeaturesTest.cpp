#include "WindowTestMain.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/GuestServices.h"
#include "launch/LaunchBridges.h"
#include "launch/MachineStart.h"
#include "launch/VmDefinitionWriter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"

#include <ControlClient.h>
#include <EventLogReader.h>
#include <TSwitch.h>
#include <TestZip.h>
#include <VMService.h>
#include <service/service.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>

#include <memory>

namespace {

// The window's horizontal offsets from origin, one for each move.
class MoveRecorder : public QObject
{
public:
    MoveRecorder(QWidget *window, QPoint origin, QList<int> &offsets)
        : m_window(window), m_origin(origin), m_offsets(offsets)
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Move)
            m_offsets.append(m_window->pos().x() - m_origin.x());
        return false;
    }

private:
    QWidget *m_window;
    QPoint m_origin;
    QList<int> &m_offsets;
};

} // namespace

// The window's features against the simulated guest, as the running player
// has them: the real guest-service library on the fixed guest ports, a
// machine of the simulated engine (whose shared folders the guest installs
// from) and the guest's event log showing what reached it. The guest
// reaches for the fixed ports, hence the ctest lock "guest-ports".
class WindowFeaturesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void hostTextReachesTheGuest();
    void guestTextReachesTheHostAndIsNotSentBack();
    void anImageOnlyClipboardSendsNothing();

    void dragEnterTakesApksInAnyCaseOnly_data();
    void dragEnterTakesApksInAnyCaseOnly();
    void droppedApkIsInstalledWithBothNotices();
    void twoApksInOneDropInstallOneAfterTheOther();
    void aMixedDropInstallsTheApksAndNamesTheRestSkipped();

    void shakeShowsNineFramesThenComesBackOnce();
    void shakeDoesNothingInFullScreen();

    void engineReportMovesTheSwitchAndThePairSettles();
    void switchedOffTheEngineReportsChangeNothing();

private:
    static QJsonObject event(const char *agent, const char *dir, const char *type,
                             const QJsonObject &fields = {});
    int count(const QJsonObject &pattern) const;
    QList<QJsonObject> matching(const QJsonObject &pattern) const;
    QString control(const QByteArray &line);
    // Sends a GPS switch and waits until the guest logged it: whatever the
    // host sent on the misc connection before has arrived by then.
    void miscBarrier();
    QString tips() const;
    // A real zip APK in m_apkDir; its path.
    QString writeApk(const QString &name, const QString &package);
    bool drop(const QList<QUrl> &urls, bool enterOnly = false);

    std::unique_ptr<MainWindow> m_window;
    QString m_stateFolder;
    std::unique_ptr<EventLogReader> m_events;
    std::unique_ptr<ControlClient> m_control;
    QTemporaryDir m_apkDir{QDir::tempPath() +
                           QStringLiteral("/my games #1 100% \u00e9t\u00e9-XXXXXX")};
    QStringList m_begins;
    QList<QPair<QString, int>> m_ends;
    int m_engineReports = 0;
    int m_barrierValue = 0;
};

void WindowFeaturesTest::initTestCase()
{
    const QString binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(binDir + QStringLiteral("/tavenor-guest")).isExecutable());
    qputenv("TAVENOR_GUEST_PROGRAM", (binDir + QStringLiteral("/tavenor-guest")).toLocal8Bit());
    qputenv("TAVENOR_GUEST_BOOT_DELAY_MS", "0");
    qputenv("TAVENOR_GUEST_FPS", "1");
    VMService::selectEngine(VMService::Engine::Simulator);
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    QVERIFY(QFile::copy(binDir + QStringLiteral("/data.vdi"), systemDiskPath()));
    QVERIFY(m_apkDir.isValid());

    const QString name = QStringLiteral("features");
    setInstanceName(name);
    m_stateFolder = vmFolder() + QLatin1Char('/') + name + QStringLiteral(".sim");
    m_events = std::make_unique<EventLogReader>(m_stateFolder + QStringLiteral("/events.jsonl"));

    m_window = std::make_unique<MainWindow>();
    m_window->applyGuestResolution(1280, 720);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    connect(
        m_window.get(), &MainWindow::onPmInstallBegin, this,
        [this](QString name) { m_begins.append(name); }, Qt::QueuedConnection);
    connect(
        m_window.get(), &MainWindow::onPmInstallEnd, this,
        [this](QString name, int success) {
            m_ends.append({name, success});
        },
        Qt::QueuedConnection);
    connect(
        m_window.get(), &MainWindow::onSetEngineEnabled, this, [this] { ++m_engineReports; },
        Qt::QueuedConnection);

    // As the launch does it, without the renderer.
    VMService *vm = VMService::getVMService();
    startGuestServices(m_window.get());
    misc_set_callback(&LaunchBridges::guestReady, m_window.get());
    misc_set_engine_enabled_callback(&LaunchBridges::engineEnabled, m_window.get());
    pm_set_callback(&LaunchBridges::pmInstallBegin, &LaunchBridges::pmInstallEnd, m_window.get());
    pm_set_vm(vm);
    VmDefinitionWriter(*vm, binDir + QStringLiteral("/Tavenor.vbox-example"),
                       binDir + QStringLiteral("/data.vdi"))
        .write(name);
    QVERIFY(vm->openMachine(vmDefinitionPath(name)));
    QCOMPARE(vm->start(), 0);

    QWidget *display = m_window->findChild<QWidget *>(QStringLiteral("display"));
    QTRY_VERIFY_WITH_TIMEOUT(display->isVisible(), 30000);
    for (const char *link : {"misc", "clipboard"})
        QTRY_VERIFY(count(event("guest", "out", "connected", {{"link", link}})) == 1);
    m_control = std::make_unique<ControlClient>(m_stateFolder + QStringLiteral("/control.sock"));
    QVERIFY(m_control->connect());
    // Ready switched the engine on; the guest's report came back.
    QTRY_COMPARE(m_engineReports, 1);
}

void WindowFeaturesTest::cleanupTestCase()
{
    if (VMService *vm = VMService::getVMService())
        stopAndUnregisterMachine(*vm, instanceName());
    m_window.reset();
}

QJsonObject WindowFeaturesTest::event(const char *agent, const char *dir, const char *type,
                                      const QJsonObject &fields)
{
    QJsonObject pattern = fields;
    pattern.insert(QStringLiteral("agent"), QLatin1String(agent));
    pattern.insert(QStringLiteral("dir"), QLatin1String(dir));
    pattern.insert(QStringLiteral("type"), QLatin1String(type));
    return pattern;
}

QList<QJsonObject> WindowFeaturesTest::matching(const QJsonObject &pattern) const
{
    QList<QJsonObject> found;
    for (const QJsonObject &entry : m_events->all()) {
        if (EventLogReader::matches(entry, pattern))
            found.append(entry);
    }
    return found;
}

int WindowFeaturesTest::count(const QJsonObject &pattern) const
{
    return matching(pattern).size();
}

QString WindowFeaturesTest::control(const QByteArray &line)
{
    return m_control->send(line);
}

void WindowFeaturesTest::miscBarrier()
{
    m_barrierValue = m_barrierValue == 0 ? 1 : 0;
    const bool on = m_barrierValue == 1;
    const int before = count(event("misc", "in", "gps_enable", {{"on", on}}));
    gps_set_enable(on ? 1 : 0);
    QTRY_COMPARE(count(event("misc", "in", "gps_enable", {{"on", on}})), before + 1);
}

QString WindowFeaturesTest::tips() const
{
    return m_window->findChild<QLabel *>(QStringLiteral("tipsLabel"))->text();
}

QString WindowFeaturesTest::writeApk(const QString &name, const QString &package)
{
    const QString path = m_apkDir.path() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(testzip::make({{"AndroidManifest.xml", testzip::manifest(package)}}));
    return path;
}

// A synthetic drag onto the window: enter, then drop unless told otherwise.
// Whether the last event was accepted.
bool WindowFeaturesTest::drop(const QList<QUrl> &urls, bool enterOnly)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(m_window->width() / 2, m_window->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    if (enterOnly || !enter.isAccepted())
        return enter.isAccepted();
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &dropped);
    return dropped.isAccepted();
}

// ---- Clipboard ------------------------------------------------------------------

void WindowFeaturesTest::hostTextReachesTheGuest()
{
    const QString text = QStringLiteral("copied on the host \u00e9\u4f60");
    QGuiApplication::clipboard()->setText(text);
    QTRY_COMPARE(count(event("clipboard", "in", "clipboard", {{"text", text}})), 1);
}

void WindowFeaturesTest::guestTextReachesTheHostAndIsNotSentBack()
{
    QCOMPARE(control("clipboard from the guest"), QStringLiteral("ok"));
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("from the guest"));

    // A later host copy arrives; the guest's own text never came back
    // before it.
    QGuiApplication::clipboard()->setText(QStringLiteral("host again"));
    QTRY_COMPARE(count(event("clipboard", "in", "clipboard", {{"text", "host again"}})), 1);
    QCOMPARE(count(event("clipboard", "in", "clipboard", {{"text", "from the guest"}})), 0);
}

void WindowFeaturesTest::anImageOnlyClipboardSendsNothing()
{
    const int before = count(event("clipboard", "in", "clipboard"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QGuiApplication::clipboard()->setText(QStringLiteral("after the image"));
    QTRY_COMPARE(count(event("clipboard", "in", "clipboard", {{"text", "after the image"}})), 1);
    QCOMPARE(count(event("clipboard", "in", "clipboard")), before + 1);
}

// ---- Drop install ---------------------------------------------------------------

void WindowFeaturesTest::dragEnterTakesApksInAnyCaseOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("Game.APK") << QStringLiteral("Game.APK") << true;
    QTest::newRow("game.apk") << QStringLiteral("game.apk") << true;
    QTest::newRow("notes.txt") << QStringLiteral("notes.txt") << false;
    QTest::newRow("apk without a dot") << QStringLiteral("notanapk") << false;
}

void WindowFeaturesTest::dragEnterTakesApksInAnyCaseOnly()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(drop({QUrl::fromLocalFile(m_apkDir.path() + QLatin1Char('/') + name)}, true),
             accepted);
    if (accepted)
        QCOMPARE(tips(), QStringLiteral("Release to Install"));
}

void WindowFeaturesTest::droppedApkIsInstalledWithBothNotices()
{
    m_begins.clear();
    m_ends.clear();
    const QString file = QStringLiteral("Spiel \u00fcber #1 50%.apk");
    const QString path = writeApk(file, QStringLiteral("com.example.one"));
    QVERIFY(drop({QUrl::fromLocalFile(path)}));

    QTRY_COMPARE(count(event("misc", "out", "install_result", {{"text", "com.example.one"}})), 1);
    QCOMPARE(matching(event("misc", "out", "install_result"))
                 .last()
                 .value(QStringLiteral("result"))
                 .toInt(),
             1);
    QTRY_COMPARE(m_ends.size(), 1);
    QCOMPARE(m_begins, QStringList{file});
    QCOMPARE(m_ends.first(), qMakePair(QStringLiteral("com.example.one"), 1));
    QCOMPARE(tips(), QStringLiteral("Installed com.example.one"));
}

void WindowFeaturesTest::twoApksInOneDropInstallOneAfterTheOther()
{
    m_begins.clear();
    m_ends.clear();
    const int before = m_events->all().size();
    const QString first =
        writeApk(QStringLiteral("first.apk"), QStringLiteral("com.example.first"));
    const QString second =
        writeApk(QStringLiteral("second.Apk"), QStringLiteral("com.example.second"));
    QVERIFY(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));

    QTRY_COMPARE(m_ends.size(), 2);
    QStringList order;
    const QVector<QJsonObject> events = m_events->all();
    for (int i = before; i < events.size(); ++i) {
        const QString type = events[i].value(QStringLiteral("type")).toString();
        if (type == QLatin1String("install"))
            order.append(events[i].value(QStringLiteral("file")).toString());
        else if (type == QLatin1String("install_result"))
            order.append(events[i].value(QStringLiteral("text")).toString());
    }
    QCOMPARE(order,
             (QStringList{QStringLiteral("first.apk"), QStringLiteral("com.example.first"),
                          QStringLiteral("second.Apk"), QStringLiteral("com.example.second")}));
    QCOMPARE(m_begins, (QStringList{QStringLiteral("first.apk"), QStringLiteral("second.Apk")}));
    QCOMPARE(tips(), QStringLiteral("Installed com.example.second"));
}

void WindowFeaturesTest::aMixedDropInstallsTheApksAndNamesTheRestSkipped()
{
    m_ends.clear();
    const QString apk = writeApk(QStringLiteral("mixed.apk"), QStringLiteral("com.example.mixed"));
    QVERIFY(
        drop({QUrl::fromLocalFile(m_apkDir.path() + QStringLiteral("/notes.txt")),
              QUrl::fromLocalFile(apk), QUrl(QStringLiteral("https://example.org/remote.apk"))}));
    QCOMPARE(tips(), QStringLiteral("Only APK files are installed; skipped: 2"));
    QTRY_COMPARE(m_ends.size(), 1);
    QCOMPARE(m_ends.first().first, QStringLiteral("com.example.mixed"));
    QCOMPARE(count(event("misc", "in", "install", {{"file", "notes.txt"}})), 0);
}

// ---- Shake ----------------------------------------------------------------------

void WindowFeaturesTest::shakeShowsNineFramesThenComesBackOnce()
{
    auto *button = m_window->findChild<QWidget *>(QStringLiteral("shakeButton"));
    QVERIFY(button);
    const QPoint origin = m_window->pos();
    QList<int> offsets;
    MoveRecorder filter(m_window.get(), origin, offsets);
    m_window->installEventFilter(&filter);

    const int shakesBefore = count(event("misc", "in", "shake"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(offsets.size(), 10);
    m_window->removeEventFilter(&filter);
    QCOMPARE(offsets, (QList<int>{10, -10, 10, -10, 10, -10, 10, -10, 10, 0}));
    QCOMPARE(m_window->pos(), origin);

    miscBarrier();
    QCOMPARE(count(event("misc", "in", "shake")), shakesBefore + 1);
}

void WindowFeaturesTest::shakeDoesNothingInFullScreen()
{
    m_window->setFullScreen(true);
    const QPoint origin = m_window->pos();
    const int shakesBefore = count(event("misc", "in", "shake"));
    m_window->shake();
    m_window->shakeFrameChanged();
    QCOMPARE(m_window->pos(), origin);
    miscBarrier();
    QCOMPARE(count(event("misc", "in", "shake")), shakesBefore);
    m_window->setFullScreen(false);
}

// ---- Engine switch --------------------------------------------------------------

// The guest switches its engine off: the switch follows, the window confirms
// the state, and the guest, whose state did not change, says nothing more.
void WindowFeaturesTest::engineReportMovesTheSwitchAndThePairSettles()
{
    auto *engineSwitch = m_window->findChild<TSwitch *>(QStringLiteral("engineSwitch"));
    QVERIFY(engineSwitch->value());
    const int enables = count(event("misc", "in", "engine_enable"));
    const int states = count(event("misc", "out", "engine_state"));

    QCOMPARE(control("engine 0"), QStringLiteral("ok"));
    QTRY_VERIFY(!engineSwitch->value());
    QTRY_COMPARE(count(event("misc", "in", "engine_enable", {{"enabled", 0}})), 1);
    // One more exchange in the other direction: had the first one gone on,
    // its messages would stand between.
    QCOMPARE(control("engine 1"), QStringLiteral("ok"));
    QTRY_VERIFY(engineSwitch->value());
    QTRY_COMPARE(count(event("misc", "in", "engine_enable")), enables + 2);
    miscBarrier();
    QCOMPARE(count(event("misc", "in", "engine_enable")), enables + 2);
    QCOMPARE(count(event("misc", "out", "engine_state")), states + 2);
}

void WindowFeaturesTest::switchedOffTheEngineReportsChangeNothing()
{
    auto *engineSwitch = m_window->findChild<TSwitch *>(QStringLiteral("engineSwitch"));
    const int reports = m_engineReports;
    const int offStates = count(event("misc", "out", "engine_state", {{"enabled", 0}}));
    QVERIFY(engineSwitch->value());
    QTest::mouseClick(engineSwitch, Qt::LeftButton);
    QVERIFY(!engineSwitch->value());
    // The guest's engine goes off and says so; the window has seen that
    // report once the counter moved (its own slot runs first).
    QTRY_COMPARE(count(event("misc", "out", "engine_state", {{"enabled", 0}})), offStates + 1);
    QTRY_COMPARE(m_engineReports, reports + 1);
    const int enables = count(event("misc", "in", "engine_enable"));

    QCOMPARE(control("engine 1"), QStringLiteral("ok"));
    QTRY_COMPARE(m_engineReports, reports + 2);
    QVERIFY(!engineSwitch->value());
    miscBarrier();
    QCOMPARE(count(event("misc", "in", "engine_enable")), enables);

    const int ons = count(event("misc", "in", "engine_enable", {{"enabled", 1}}));
    QTest::mouseClick(engineSwitch, Qt::LeftButton);
    QTRY_COMPARE(count(event("misc", "in", "engine_enable", {{"enabled", 1}})), ons + 1);
}

WINDOW_OFFSCREEN_TEST_MAIN(WindowFeaturesTest)
#include "WindowFeaturesTest.moc"
