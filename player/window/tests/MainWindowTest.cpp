#include "WindowTestMain.h"

#include "app/InstanceName.h"
#include "launch/LaunchBridges.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"

#include <TSwitch.h>

#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QUuid>

#include <cstring>
#include <thread>

// The main window on the offscreen platform, without a machine: layout in
// both orientations and modes, rotation, the bars in full screen, tips, and
// guest events arriving from other threads the way the service library's
// callbacks deliver them.
class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void buildsTheWindowAroundTheSplash();
    void layoutFollowsGuestSizeAndRotation();
    void savedPlaceIsUsedOnTheNextRun();
    void fullScreenBarsFloatAppearAtTheEdgeAndHide();
    void leavingFullScreenRefitsAfterATurn();
    void hidingTheWindowHidesItsFloatingBars();
    void secondTipIsHiddenByTheFirstTipsTimer();
    void guestEventsFromOtherThreadsReachTheWindow();
    void engineSwitchFollowsGuestOnlyWhileUserLeavesItOn();
    void engineEditorWithoutAGuestSaysSo();
    void hostsTheRenderer();
    void withoutTheirModulesLocAndRecordGiveNotices();

private:
    QWidget *child(MainWindow &window, const char *name);
};

void MainWindowTest::initTestCase()
{
    // No host report leaves this machine.
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
}

void MainWindowTest::init()
{
    setInstanceName(QStringLiteral("window-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
}

QWidget *MainWindowTest::child(MainWindow &window, const char *name)
{
    auto *widget = window.findChild<QWidget *>(QLatin1String(name));
    if (widget == nullptr)
        qFatal("no child named %s", name);
    return widget;
}

void MainWindowTest::buildsTheWindowAroundTheSplash()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("win_frm"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Pellow Game Assistant"));
    QVERIFY(window.acceptDrops());
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(child(window, "splash")->isVisible());
    QVERIFY(!child(window, "display")->isVisible());
    QVERIFY(!child(window, "tipsLabel")->isVisible());
    QVERIFY(child(window, "toolBar")->isVisible());
}

void MainWindowTest::layoutFollowsGuestSizeAndRotation()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *display = child(window, "display");
    QWidget *toolBar = child(window, "toolBar");
    QWidget *splash = child(window, "splash");
    QWidget *titleBar = child(window, "titleBar");

    QTRY_COMPARE(window.size(), QSize(1280, 804));
    QCOMPARE(display->geometry(), QRect(2, 36, 1276, 715));
    QCOMPARE(toolBar->geometry(), QRect(2, 754, 1276, 48));
    QCOMPARE(splash->geometry(), QRect(2, 36, 1276, 718));
    QCOMPARE(titleBar->geometry().topLeft(), QPoint(0, 0));
    QVERIFY(!toolBar->isWindow());
    QCOMPARE(window.heightForWidth(1000), 646);

    emit window.onRotationChanged(90.0f);
    QTRY_COMPARE(window.size(), QSize(480, 804));
    QCOMPARE(display->geometry(), QRect(2, 36, 426, 766));
    QCOMPARE(toolBar->geometry(), QRect(430, 36, 48, 766));
    QCOMPARE(window.heightForWidth(480), 804);

    // Still turned: nothing about the window changes.
    const QRect turned = window.geometry();
    emit window.onRotationChanged(270.0f);
    QTest::qWait(50);
    QCOMPARE(window.geometry(), turned);
    QCOMPARE(toolBar->geometry(), QRect(430, 36, 48, 766));

    emit window.onRotationChanged(360.0f);
    QTRY_COMPARE(window.size(), QSize(1280, 804));
    QCOMPARE(display->geometry(), QRect(2, 36, 1276, 715));
    QCOMPARE(toolBar->geometry(), QRect(2, 754, 1276, 48));

    // Upside down keeps the upright shape.
    emit window.onRotationChanged(180.0f);
    QTest::qWait(50);
    QCOMPARE(window.size(), QSize(1280, 804));
    QCOMPARE(toolBar->geometry(), QRect(2, 754, 1276, 48));
}

void MainWindowTest::savedPlaceIsUsedOnTheNextRun()
{
    {
        MainWindow first;
        first.applyGuestResolution(1280, 720);
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        first.setGeometry(40, 30, 1000, 646);
        QTRY_COMPARE(first.geometry(), QRect(40, 30, 1000, 646));
        first.writeSavedGeometry();
    }
    SettingsStore store(instanceName());
    QCOMPARE(store.value(SettingsKeys::kPos).toPoint(), QPoint(40, 30));
    QCOMPARE(store.intValue(SettingsKeys::kHeight, 0), 562);

    MainWindow second;
    second.applyGuestResolution(1280, 720);
    second.show();
    QTRY_COMPARE(second.geometry(), QRect(40, 30, 999, 646));
}

void MainWindowTest::fullScreenBarsFloatAppearAtTheEdgeAndHide()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    MainWindow window;
    // The guest has the screen's shape, so its display fills the screen.
    window.applyGuestResolution(screen.width(), screen.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *display = child(window, "display");
    QWidget *toolBar = child(window, "toolBar");
    QWidget *titleBar = child(window, "titleBar");
    window.setShowOpenGLWidget(true);
    QVERIFY(display->isVisible());
    QVERIFY(!child(window, "splash")->isVisible());

    window.setFullScreen(true);
    QTRY_COMPARE(window.geometry(), screen);
    QTRY_COMPARE(display->geometry(), QRect(QPoint(0, 0), screen.size()));
    QVERIFY(toolBar->isWindow());
    QVERIFY(titleBar->isWindow());
    const int w = screen.width();
    const int h = screen.height();
    QTRY_COMPARE(toolBar->geometry(), QRect(screen.x(), screen.y() + h, w, 48));
    QCOMPARE(titleBar->geometry().y(), screen.y() - 36);

    // The pointer at the top edge of the display, no button held.
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 5), QPointF(display->mapToGlobal(QPoint(100, 5))), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(display, &move);
    QTRY_COMPARE(toolBar->geometry(), QRect(screen.x(), screen.y() + h - 48, w, 48));
    QCOMPARE(titleBar->geometry(), QRect(screen.x(), screen.y(), w, 36));
    // The display, held still during the slide, is drawn again after it.
    QTRY_VERIFY(display->updatesEnabled());

    // Three seconds later both are gone again.
    QTRY_COMPARE_WITH_TIMEOUT(toolBar->geometry().y(), screen.y() + h, 6000);
    QCOMPARE(titleBar->geometry().y(), screen.y() - 36);
    QVERIFY(display->updatesEnabled());

    // A press held at the edge is a drag, not a reveal.
    QMouseEvent drag(QEvent::MouseMove, QPointF(100, 5), QPointF(window.mapToGlobal(QPoint(100, 5))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drag);
    QTest::qWait(100);
    QCOMPARE(toolBar->geometry().y(), screen.y() + h);

    window.setFullScreen(false);
    QTRY_VERIFY(!toolBar->isWindow());
    QVERIFY(!titleBar->isWindow());
    QTRY_COMPARE(titleBar->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(toolBar->geometry().bottom(), window.height() - 3);
}

void MainWindowTest::leavingFullScreenRefitsAfterATurn()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.size(), QSize(1280, 804));
    window.setFullScreen(true);
    QTRY_COMPARE(window.geometry(), QGuiApplication::primaryScreen()->geometry());
    emit window.onRotationChanged(90.0f);
    window.setFullScreen(false);
    // The height it had before full screen, the width of the turned guest.
    QTRY_COMPARE(window.size(), QSize(480, 804));
}

void MainWindowTest::hidingTheWindowHidesItsFloatingBars()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    MainWindow window;
    window.applyGuestResolution(screen.width(), screen.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setFullScreen(true);
    QWidget *toolBar = child(window, "toolBar");
    QWidget *titleBar = child(window, "titleBar");
    QTRY_VERIFY(toolBar->isWindow());
    QVERIFY(toolBar->isVisible());

    window.toggleVisible();
    QVERIFY(!window.isVisible());
    QVERIFY(!toolBar->isVisible());
    QVERIFY(!titleBar->isVisible());
    // A turn while hidden lays the window out without showing the bars.
    emit window.onRotationChanged(90.0f);
    QVERIFY(!toolBar->isVisible());

    window.toggleVisible();
    QVERIFY(window.isVisible());
    QVERIFY(toolBar->isVisible());
    QVERIFY(titleBar->isVisible());
}

void MainWindowTest::secondTipIsHiddenByTheFirstTipsTimer()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tips = window.findChild<QLabel *>(QStringLiteral("tipsLabel"));
    QVERIFY(tips);

    window.showTips(QStringLiteral("Screen Captured"), QStringLiteral("/tmp/a.png"));
    QVERIFY(tips->isVisible());
    QCOMPARE(tips->text(), QStringLiteral("Screen Captured /tmp/a.png"));
    QTRY_VERIFY(tips->height() > 0);
    QCOMPARE(tips->y(), 36);
    QCOMPARE(tips->width(), window.width());

    // Halfway through the first tip's five seconds: a loaded machine's late
    // timers have room on both sides.
    QTest::qWait(2500);
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    window.showTips(QStringLiteral("second"));
    QCOMPARE(tips->text(), QStringLiteral("second"));
    QTRY_VERIFY_WITH_TIMEOUT(!tips->isVisible(), 8000);
    // The second tip's own five seconds were not waited for.
    QVERIFY2(sinceSecond.elapsed() < 4800, qPrintable(QString::number(sinceSecond.elapsed())));
}

// The service library and the renderer call their callbacks on their own
// threads with texts that are theirs only during the call.
void MainWindowTest::guestEventsFromOtherThreadsReachTheWindow()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tips = window.findChild<QLabel *>(QStringLiteral("tipsLabel"));

    std::thread([&window] {
        char name[64];
        std::strcpy(name, "com.example.game");
        LaunchBridges::pmInstallBegin(window.bridgeTarget(), name);
        std::memset(name, 'x', sizeof name - 1);
    }).join();
    QTRY_COMPARE(tips->text(), QStringLiteral("Install Begin com.example.game"));

    std::thread([&window] { LaunchBridges::pmInstallEnd(window.bridgeTarget(), "com.example.game", 1); }).join();
    QTRY_COMPARE(tips->text(), QStringLiteral("Installed com.example.game"));
    std::thread([&window] { LaunchBridges::pmInstallEnd(window.bridgeTarget(), "broken", -2); }).join();
    QTRY_COMPARE(tips->text(), QStringLiteral("Failed broken"));

    std::thread([&window] { LaunchBridges::guestReady(window.bridgeTarget()); }).join();
    QTRY_VERIFY(child(window, "display")->isVisible());
    QVERIFY(!child(window, "splash")->isVisible());

    std::thread([&window] { LaunchBridges::rotationChanged(window.bridgeTarget(), 90.0f); }).join();
    QTRY_COMPARE(window.size(), QSize(480, 804));
}

void MainWindowTest::engineSwitchFollowsGuestOnlyWhileUserLeavesItOn()
{
    MainWindow window;
    auto *engineSwitch = window.findChild<TSwitch *>(QStringLiteral("engineSwitch"));
    QVERIFY(engineSwitch);

    emit window.onSetEngineEnabled(true);
    QVERIFY(engineSwitch->value());
    emit window.onSetEngineEnabled(false);
    QVERIFY(!engineSwitch->value());

    window.engineSwitchValueChanged(false);
    emit window.onSetEngineEnabled(true);
    QVERIFY(!engineSwitch->value());

    window.engineSwitchValueChanged(true);
    emit window.onSetEngineEnabled(true);
    QVERIFY(engineSwitch->value());
}

// No guest is connected: the editor cannot be opened, and the user is told.
void MainWindowTest::engineEditorWithoutAGuestSaysSo()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tips = window.findChild<QLabel *>(QStringLiteral("tipsLabel"));
    QTest::mouseClick(child(window, "keyboardButton"), Qt::LeftButton);
    QCOMPARE(tips->text(), QStringLiteral("Open Engine Editor Failed System Not Ready"));
    QVERIFY(tips->isVisible());
}

void MainWindowTest::hostsTheRenderer()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *display = child(window, "display");
    QTRY_COMPARE(window.displayWidth(), 1276);
    QCOMPARE(window.displayHeight(), 715);
    QCOMPARE(window.displayWinId(), display->winId());
    QVERIFY(window.displayWinId() != 0);
    QCOMPARE(window.ownerWindow(), WId(0));
    QCOMPARE(window.bridgeTarget(), &window);
    QVERIFY(LaunchBridges::missingSignals(&window).isEmpty());
}

// Neither module can be found: Loc and Record say what is missing, no
// picker opens and the record light goes out again.
void MainWindowTest::withoutTheirModulesLocAndRecordGiveNotices()
{
    qputenv("TAVENOR_LOCATION_PICKER_MODULE", "/nonexistent/libtavenor_map.so");
    qputenv("TAVENOR_VIDEOENC_LIBRARY", "/nonexistent/libvideoenc.so");
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tips = window.findChild<QLabel *>(QStringLiteral("tipsLabel"));

    QTest::mouseClick(child(window, "locButton"), Qt::LeftButton);
    QCOMPARE(tips->text(), QStringLiteral("The location picker is missing or damaged: reinstall the player to use it."));
    QVERIFY(child(window, "toolBar")->findChildren<QWidget *>(QStringLiteral("locationPicker")).isEmpty());

    QSignalSpy light(&window, &MainWindow::onRecording);
    QTest::mouseClick(child(window, "recordButton"), Qt::LeftButton);
    QTRY_COMPARE(tips->text(),
                 QStringLiteral("Screen Failed The video encoder is missing or damaged: reinstall the player to record."));
    QCOMPARE(light.size(), 2);
    QCOMPARE(light.last().first().toBool(), false);
}

WINDOW_OFFSCREEN_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
