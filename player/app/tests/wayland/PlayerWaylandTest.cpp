#include "PortalStandIn.h"
#include "WestonSession.h"
#include "driver/GuestEvent.h"
#include "driver/PlayerLauncher.h"
#include "driver/Polling.h"
#include "driver/SimGuestProbe.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QtTest>

#include <csignal>

// The player in a Wayland session as a desktop starts it (WAYLAND_DISPLAY,
// DISPLAY for Xwayland, XDG_SESSION_TYPE=wayland, no QT_QPA_PLATFORM), on
// weston driven with xdotool, with the stand-in desktop portal on a private
// session bus. The guest takes the fixed guest-service ports: this test
// holds them (RESOURCE_LOCK guest-ports).
namespace {

const QString kInstance = QStringLiteral("wayland");
// The guest always draws this colour in a 24 x 24 block at (8, 4).
const QColor kGuestMark(0x3d, 0xdc, 0x84);

bool closeTo(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

// The guest's 1280 x 720 screen, found by its mark (to 2 pixels); empty
// when it does not show.
QRect guestScreenIn(const QImage &image)
{
    for (int y = 0; y + 24 < image.height(); y += 2) {
        for (int x = 0; x + 24 < image.width(); x += 2) {
            if (closeTo(image.pixelColor(x, y), kGuestMark) && closeTo(image.pixelColor(x + 20, y + 20), kGuestMark))
                return QRect(x - 8, y - 4, 1280, 720);
        }
    }
    return QRect();
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class PlayerWaylandTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void playsTheGuestThroughXwaylandWithThePortalsBossKey();
    void refusedPortalSessionIsLoggedAndThePlayerGoesOn();
    void explicitWaylandPlatformIsKeptAndToldOnce();
    void lostDisplayLeavesVirtualBoxMachineToTheNextStart();

private:
    std::unique_ptr<QProcess> startPlayer(const QString &logName, const QProcessEnvironment &extra = {},
                                          const QString &instance = kInstance);
    bool logged(const QString &text) const
    {
        return waitFor([&] { return m_launcher->log().contains(text); }, 30000);
    }
    QImage screenshot() const;
    // The player's window on Xwayland, waited for; weston frames it, so it
    // is no child of the root window.
    bool windowShown(qint64 pid) const;
    // A click into an empty part of the guest's screen, which gives the
    // player the keyboard, then a and b typed.
    void clickAndTypeIntoTheGuest(const QRect &guestScreen);
    void endWithSigterm(QProcess &player);

    QString m_binDir;
    QString m_outputDir;
    XSession m_xwayland;
    std::unique_ptr<WestonSession> m_weston;
    std::unique_ptr<PortalStandIn> m_portal;
    std::unique_ptr<PlayerLauncher> m_launcher;
    std::unique_ptr<SimGuestProbe> m_guest;
};

void PlayerWaylandTest::initTestCase()
{
    if (!WestonSession::installed())
        QSKIP("needs weston and Xwayland");
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    m_outputDir = QDir::tempPath() + QStringLiteral("/wayland");
    QVERIFY(QDir().mkpath(m_outputDir));
    QVERIFY(PlayerLauncher::prepareSimulatedInstance(kInstance, m_binDir));
    SettingsStore(kInstance).setValue(SettingsKeys::kBossKey, QStringLiteral("ctrl+alt+q"));
    m_guest = std::make_unique<SimGuestProbe>(kInstance);
    m_launcher = std::make_unique<PlayerLauncher>(m_xwayland, m_binDir, m_outputDir);
    QVERIFY(m_launcher->writeLeakSuppressions(qEnvironmentVariable("TAVENOR_SOURCE_DIR")));
    m_launcher->setDefault(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("500"));
}

void PlayerWaylandTest::init()
{
    m_weston = std::make_unique<WestonSession>(m_outputDir);
    QVERIFY2(m_weston->start(), "weston did not start");
    m_xwayland.attach(m_weston->xwaylandDisplay());
    m_portal = std::make_unique<PortalStandIn>(m_outputDir);
    QVERIFY2(m_portal->startBus(), "no private session bus");
}

void PlayerWaylandTest::cleanup()
{
    if (QTest::currentTestFailed())
        qWarning("player log:\n%s", qPrintable(m_launcher->log().right(4000)));
    if (const qint64 pid = m_guest->pid())
        ::kill(pid_t(pid), SIGTERM);
    m_portal.reset();
    m_weston.reset();
}

std::unique_ptr<QProcess> PlayerWaylandTest::startPlayer(const QString &logName, const QProcessEnvironment &extra,
                                                         const QString &instance)
{
    QProcessEnvironment environment = m_weston->sessionVariables();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_portal->busAddress());
    for (const QString &name : extra.keys())
        environment.insert(name, extra.value(name));
    return m_launcher->start(logName, environment, {instance});
}

QImage PlayerWaylandTest::screenshot() const
{
    const QString path = m_outputDir + QStringLiteral("/screen.png");
    m_weston->host().screenshot(path);
    return QImage(path);
}

bool PlayerWaylandTest::windowShown(qint64 pid) const
{
    return waitFor(
        [&] {
            return !m_xwayland
                        .xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--pid"),
                                  QString::number(pid), QStringLiteral("--name"), QStringLiteral("Pellow")})
                        .isEmpty();
        },
        20000);
}

void PlayerWaylandTest::clickAndTypeIntoTheGuest(const QRect &guestScreen)
{
    m_weston->focusOutput();
    int from = m_guest->events().size();
    m_weston->clickAt(guestScreen.topLeft() + QPoint(900, 600));
    QVERIFY2(m_guest->waitForEvents(from, {[](const GuestEvent &event) { return event.is("vinput", "in", "touch"); }}),
             "the click did not reach the guest");
    from = m_guest->events().size();
    m_weston->host().xdotool({QStringLiteral("key"), QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY2(m_guest->waitForEvents(from, {key(30, 0), key(30, 1), key(48, 0), key(48, 1)}), "typing did not arrive");
}

void PlayerWaylandTest::endWithSigterm(QProcess &player)
{
    QCOMPARE(::kill(pid_t(player.processId()), SIGTERM), 0);
    QVERIFY2(player.waitForFinished(30000), "the player did not end on SIGTERM");
    QCOMPARE(player.exitCode(), 0);
    QVERIFY(waitFor([this] { return !m_guest->running(); }, 10000));
}

// Out of the box, Xwayland shows the guest's screen, following its redraws,
// and keys reach the guest. The boss key is the portal's, bound with the
// stored key; each Activated toggles the window. A crashed compositor ends
// the player, and its guest with it.
void PlayerWaylandTest::playsTheGuestThroughXwaylandWithThePortalsBossKey()
{
    QVERIFY(m_portal->startPortal());
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("xwayland.log"));
    QVERIFY2(logged(QStringLiteral("display platform xcb through Xwayland")), qPrintable(m_launcher->log()));
    QVERIFY2(windowShown(player->processId()), "no window on Xwayland");
    QRect guestScreen;
    QImage before;
    QVERIFY2(waitFor([&] { return !(guestScreen = guestScreenIn(before = screenshot())).isNull(); }, 30000),
             "the guest's screen does not show");
    clickAndTypeIntoTheGuest(guestScreen);
    QVERIFY2(waitFor([&] { return screenshot().copy(guestScreen) != before.copy(guestScreen); }, 10000),
             "the guest's screen did not follow its redraw");

    QVERIFY2(logged(QStringLiteral("global shortcut bound by the desktop portal")), qPrintable(m_launcher->log()));
    QVERIFY2(m_portal->calls().contains(QStringLiteral("\"preferred_trigger\": \"CTRL+ALT+q\"")),
             qPrintable(m_portal->calls()));
    QCOMPARE(m_portal->control(QStringLiteral("Activate")), 1);
    QVERIFY2(waitFor([&] { return m_xwayland.visibleWindows(player->processId()).isEmpty(); }, 10000),
             "the first activation did not hide the window");
    QCOMPARE(m_portal->control(QStringLiteral("Activate")), 1);
    QVERIFY2(windowShown(player->processId()), "the second activation did not show the window");
    QCOMPARE(m_portal->control(QStringLiteral("ChangeTrigger"), {QStringLiteral("Ctrl+Alt+W")}), 1);
    QVERIFY(logged(QStringLiteral("global shortcut trigger changed by the desktop \"Ctrl+Alt+W\"")));

    m_weston->crash();
    QVERIFY2(player->waitForFinished(30000), "the player outlived its display");
    QVERIFY2(waitFor([this] { return !m_guest->running(); }, 10000), "the guest outlived its player");
}

// The user refuses the desktop's request: the player says so, keeps an X
// grab for while it has the focus, and plays on.
void PlayerWaylandTest::refusedPortalSessionIsLoggedAndThePlayerGoesOn()
{
    QVERIFY(m_portal->startPortal({QStringLiteral("--session-response"), QStringLiteral("1")}));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("refused.log"));
    QVERIFY2(logged(QStringLiteral("the desktop does not offer global shortcuts to this program: \"the portal "
                                   "refused the session, response 1\"")),
             qPrintable(m_launcher->log()));
    QVERIFY(logged(QStringLiteral("global shortcut held as an X key grab instead")));
    QRect guestScreen;
    QVERIFY2(waitFor([&] { return !(guestScreen = guestScreenIn(screenshot())).isNull(); }, 30000),
             "the guest's screen does not show");
    clickAndTypeIntoTheGuest(guestScreen);
    endWithSigterm(*player);
}

// The user's own QT_QPA_PLATFORM=wayland is kept, and the log says once why
// the guest's screen stays blank.
void PlayerWaylandTest::explicitWaylandPlatformIsKeptAndToldOnce()
{
    QVERIFY(m_portal->startPortal());
    QProcessEnvironment wayland;
    wayland.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("wayland.log"), wayland);
    QVERIFY2(logged(QStringLiteral("misc connected show opengl")), qPrintable(m_launcher->log()));
    QVERIFY(logged(QStringLiteral("global shortcut bound by the desktop portal")));
    QCOMPARE(m_launcher->log().count(QStringLiteral("the guest's screen needs X11 or Xwayland")), 1);
    QVERIFY(!m_launcher->log().contains(QStringLiteral("display platform xcb")));
    endWithSigterm(*player);
}

// A VirtualBox machine is no child of the player: one left running when the
// display went is stopped and unregistered by the next start before it
// starts its own. The display goes while the launch worker publishes the
// guest's properties: the player ends at once rather than tear down what the
// worker still uses.
void PlayerWaylandTest::lostDisplayLeavesVirtualBoxMachineToTheNextStart()
{
    const QString folder = m_outputDir + QStringLiteral("/vbox");
    QVERIFY(QDir().mkpath(folder));
    QProcessEnvironment virtualBox;
    virtualBox.insert(QStringLiteral("TAVENOR_VBOXMANAGE"),
                      m_binDir + QStringLiteral("/../tests/vboxmanage-standin/VBoxManage"));
    virtualBox.insert(QStringLiteral("TAVENOR_FAKE_VBOX_DIR"), folder);
    // The stand-in's calls, one JSON array of arguments a line.
    const auto calls = [&folder] { return readFile(folder + QStringLiteral("/calls.log")); };
    std::unique_ptr<QProcess> player = startPlayer(QStringLiteral("vbox.log"), virtualBox, QStringLiteral("vbox"));
    QVERIFY2(waitFor([&] { return calls().contains(QStringLiteral("[\"guestproperty\"")); }, 30000),
             qPrintable(m_launcher->log()));
    m_weston->crash();
    QVERIFY2(player->waitForFinished(30000), "the player outlived its display");
    QVERIFY2(player->exitCode() == 1 && m_launcher->log().contains(QStringLiteral("display lost: the player ends at once")),
             qPrintable(m_launcher->log()));
    QVERIFY(readFile(folder + QStringLiteral("/state.json")).contains(QStringLiteral("\"running\"")));

    QVERIFY(m_weston->start());
    m_xwayland.attach(m_weston->xwaylandDisplay());
    const int before = calls().size();
    player = startPlayer(QStringLiteral("vbox-again.log"), virtualBox, QStringLiteral("vbox"));
    QVERIFY2(waitFor([&] { return calls().mid(before).contains(QStringLiteral("[\"startvm\"")); }, 30000),
             qPrintable(m_launcher->log()));
    const QString again = calls().mid(before);
    const int powerOff = again.indexOf(QStringLiteral("\"poweroff\"]"));
    QVERIFY2(powerOff >= 0 && again.indexOf(QStringLiteral("[\"unregistervm\"")) > powerOff
                 && again.indexOf(QStringLiteral("[\"startvm\"")) > again.indexOf(QStringLiteral("[\"unregistervm\"")),
             qPrintable(again));
    endWithSigterm(*player);
}

QTEST_GUILESS_MAIN(PlayerWaylandTest)
#include "PlayerWaylandTest.moc"
