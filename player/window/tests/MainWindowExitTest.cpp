#include "WindowTestMain.h"
#include "driver/SimGuestProbe.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/LaunchProcess.h"
#include "launch/MachineShutdown.h"
#include "launch/MachineStart.h"
#include "launch/VmDefinitionWriter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"
#include "window/StartFailureText.h"

#include <TMessageBox.h>
#include <VMService.h>

#include <QFile>
#include <QScreen>
#include <QSemaphore>
#include <QTranslator>
#include <QUuid>

// Closing the main window with a real machine of the simulated engine: the
// exit question's answers, the stop and unregister, and the start-failure
// notice. The machine's guest is told to stay in its boot pause, so it never
// reports ready; it still reaches for the fixed guest ports, which is why
// this test holds them.
class MainWindowExitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stayKeepsTheWindowAndTheMachine();
    void closeStopsAndUnregistersTheMachine();
    void closeInFullScreenLeavesNoWindowBehind();
    void closeHidesTheWindowWhileTheMachineStops();
    void closingWithoutTheQuestionStopsTheMachine_data();
    void closingWithoutTheQuestionStopsTheMachine();
    void exitQuestionIsAskedInTheCatalogueTexts();

private:
    struct Asked
    {
        int count = 0;
        bool question = false;
        QString text;
        QString accept;
        QString cancel;
    };
    // Answers the next box with answer and records what it showed.
    static void answerNext(Asked &asked, int answer);
    bool machineRegistered() const;
    bool guestRunning() const;
    void showWindow(MainWindow &window);
    // What the program does on a confirmed exit: the machine stopped on a
    // thread of its own.
    static void connectShutdown(MainWindow &window, MachineShutdown &shutdown);

    QString m_binDir;
};

void MainWindowExitTest::initTestCase()
{
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(m_binDir + QStringLiteral("/tavenor-guest")).isExecutable());
    qputenv("TAVENOR_GUEST_PROGRAM", (m_binDir + QStringLiteral("/tavenor-guest")).toLocal8Bit());
    qputenv("TAVENOR_GUEST_BOOT_DELAY_MS", "600000");
    VMService::selectEngine(VMService::Engine::Simulator);
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    QVERIFY(QFile::copy(m_binDir + QStringLiteral("/data.vdi"), systemDiskPath()));
}

void MainWindowExitTest::init()
{
    const QString name = QStringLiteral("exit-") + QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    setInstanceName(name);
    VMService *vm = VMService::getVMService();
    VmDefinitionWriter(*vm, m_binDir + QStringLiteral("/Tavenor.vbox-example"), m_binDir + QStringLiteral("/data.vdi"))
        .write(name);
    QVERIFY(vm->openMachine(vmDefinitionPath(name)));
    QCOMPARE(vm->start(), 0);
    QVERIFY(guestRunning());
    TMessageBox::clearAnswers();
}

void MainWindowExitTest::cleanup()
{
    stopAndUnregisterMachine(*VMService::getVMService(), instanceName());
    TMessageBox::clearAnswers();
}

void MainWindowExitTest::answerNext(Asked &asked, int answer)
{
    TMessageBox::queueAnswer([&asked, answer](TMessageBox &box) {
        ++asked.count;
        asked.question = box.isQuestion();
        asked.text = box.text();
        asked.accept = box.acceptText();
        asked.cancel = box.cancelText();
        return answer;
    });
}

bool MainWindowExitTest::machineRegistered() const
{
    return VMService::getVMService()->findMachine(instanceName());
}

// The simulated engine runs the guest as `tavenor-guest <state folder>`.
bool MainWindowExitTest::guestRunning() const
{
    return SimGuestProbe(instanceName()).running();
}

void MainWindowExitTest::showWindow(MainWindow &window)
{
    window.applyGuestResolution(1280, 720);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void MainWindowExitTest::connectShutdown(MainWindow &window, MachineShutdown &shutdown)
{
    connect(&window, &MainWindow::onExitConfirmed, &shutdown, &MachineShutdown::begin);
}

void MainWindowExitTest::stayKeepsTheWindowAndTheMachine()
{
    MainWindow window;
    showWindow(window);
    int exits = 0;
    connect(&window, &MainWindow::onExitConfirmed, this, [&exits] { ++exits; });

    Asked asked;
    answerNext(asked, 0);
    QVERIFY(!window.close());
    QCOMPARE(asked.count, 1);
    QVERIFY(asked.question);
    QCOMPARE(asked.text, QStringLiteral("Confirm to Exit?"));
    QCOMPARE(asked.accept, QStringLiteral("Close"));
    QCOMPARE(asked.cancel, QStringLiteral("Stay"));
    QVERIFY(window.isVisible());
    QCOMPARE(exits, 0);
    QVERIFY(machineRegistered());
    QVERIFY(guestRunning());

    // A second close asks again.
    answerNext(asked, 0);
    QVERIFY(!window.close());
    QCOMPARE(asked.count, 2);
    QVERIFY(window.isVisible());
    QVERIFY(guestRunning());
}

void MainWindowExitTest::closeStopsAndUnregistersTheMachine()
{
    LaunchProcess launch;
    MachineShutdown shutdown(launch);
    MainWindow window;
    // Connected ahead of the shutdown, whose thread would otherwise race
    // this look at the machine.
    bool machineThereOnExit = false;
    connect(&window, &MainWindow::onExitConfirmed, this,
            [this, &machineThereOnExit] { machineThereOnExit = machineRegistered() && guestRunning(); });
    connectShutdown(window, shutdown);
    showWindow(window);

    Asked asked;
    answerNext(asked, 1);
    QVERIFY(window.close());
    QCOMPARE(asked.count, 1);
    QVERIFY(!window.isVisible());
    // The launch is told before the machine goes.
    QVERIFY(machineThereOnExit);
    QVERIFY(shutdown.finish(30000));
    QVERIFY(!guestRunning());
    QVERIFY(!machineRegistered());

    // Windowed, so its place was saved.
    SettingsStore store(instanceName());
    QVERIFY(store.contains(SettingsKeys::kPos));
    QCOMPARE(store.intValue(SettingsKeys::kHeight, 0), window.height() - 84);
}

void MainWindowExitTest::closeInFullScreenLeavesNoWindowBehind()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    LaunchProcess launch;
    MachineShutdown shutdown(launch);
    MainWindow window;
    connectShutdown(window, shutdown);
    window.applyGuestResolution(screen.width(), screen.height());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setFullScreen(true);
    QWidget *toolBar = window.findChild<QWidget *>(QStringLiteral("toolBar"));
    QTRY_VERIFY(toolBar->isWindow());

    Asked asked;
    answerNext(asked, 1);
    QVERIFY(window.close());
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
    QVERIFY(shutdown.finish(30000));
    QVERIFY(!machineRegistered());
    // In full screen the window's place is not its own: nothing saved.
    QVERIFY(!SettingsStore(instanceName()).contains(SettingsKeys::kPos));
}

// VirtualBox may take minutes to power a machine off: the window is gone at
// once and the event loop runs on meanwhile.
void MainWindowExitTest::closeHidesTheWindowWhileTheMachineStops()
{
    LaunchProcess launch;
    QSemaphore stopping;
    QSemaphore proceed;
    MachineShutdown shutdown(launch, [&] {
        stopping.release();
        proceed.acquire();
        launch.stop();
    });
    MainWindow window;
    connectShutdown(window, shutdown);
    showWindow(window);

    Asked asked;
    answerNext(asked, 1);
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(stopping.tryAcquire(1, 30000));
    QVERIFY(!shutdown.isDone());
    QVERIFY(guestRunning());

    proceed.release();
    QVERIFY(shutdown.finish(30000));
    QVERIFY(!guestRunning());
    QVERIFY(!machineRegistered());
}

// A request to end from outside (a signal) and a failed start both close
// as a confirmed exit: nothing asks, only the failure tells its reason.
void MainWindowExitTest::closingWithoutTheQuestionStopsTheMachine_data()
{
    QTest::addColumn<bool>("startFailed");
    QTest::newRow("termination request") << false;
    QTest::newRow("start failure") << true;
}

void MainWindowExitTest::closingWithoutTheQuestionStopsTheMachine()
{
    QFETCH(bool, startFailed);
    LaunchProcess launch;
    MachineShutdown shutdown(launch);
    MainWindow window;
    connectShutdown(window, shutdown);
    showWindow(window);
    Asked asked;
    answerNext(asked, 1);
    if (startFailed)
        window.vmStartFailed(4);
    else
        window.closeWithoutAsking();
    QCOMPARE(asked.count, startFailed ? 1 : 0);
    if (startFailed) {
        QVERIFY(!asked.question);
        QCOMPARE(asked.text, StartFailureText::text(4));
    }
    QVERIFY(!window.isVisible());
    QVERIFY(shutdown.finish(30000));
    QVERIFY(!guestRunning());
    QVERIFY(!machineRegistered());
}

void MainWindowExitTest::exitQuestionIsAskedInTheCatalogueTexts()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/lang/zh_CN.qm")));
    QCoreApplication::installTranslator(&translator);
    MainWindow window;
    showWindow(window);
    Asked asked;
    answerNext(asked, 0);
    window.close();
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(window.windowTitle(), QString::fromUtf8("Pellow手游助手"));
    QCOMPARE(asked.text, QString::fromUtf8("八十一道劫难未破，施主你忍心离开我们吗？"));
    QCOMPARE(asked.accept, QString::fromUtf8("残忍离开"));
    QCOMPARE(asked.cancel, QString::fromUtf8("留下算了"));
}

WINDOW_OFFSCREEN_TEST_MAIN(MainWindowExitTest)
#include "MainWindowExitTest.moc"
