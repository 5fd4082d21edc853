// The launch against VirtualBox as the stand-in VBoxManage plays it: when
// VBoxManage fails, whatever way, the launch tries five times and the window
// hears the reason of the failure once, the one VBoxManage's answer means;
// a machine whose session is still being unlocked after a power-off delays
// an exit or a start, but neither leaves it behind nor fails.

#include "LaunchTestSupport.h"
#include "RecordingVMService.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/LaunchProcess.h"
#include "launch/MachineStart.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace {

using namespace std::chrono_literals;

QString fakeVirtualBoxFolder()
{
    return QDir::tempPath() + QStringLiteral("/fake-vbox");
}

// How many calls of command the stand-in has seen.
int callsOf(const char *command)
{
    QFile log(fakeVirtualBoxFolder() + QStringLiteral("/calls.log"));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count(QByteArray("[\"") + command + '"'));
}

// The machines the stand-in has registered.
int registeredMachines()
{
    QFile state(fakeVirtualBoxFolder() + QStringLiteral("/state.json"));
    if (!state.open(QIODevice::ReadOnly))
        return 0;
    return QJsonDocument::fromJson(state.readAll()).object().value(QStringLiteral("machines")).toArray().size();
}

class LaunchVBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setInstanceName(QStringLiteral("vbox-fault"));
        sharedTestWindow().reset();
        ASSERT_TRUE(createSystemDisk());
    }

    void TearDown() override
    {
        QFile::remove(fakeVirtualBoxFolder() + QStringLiteral("/faults"));
        stopAndUnregisterMachine(*VMService::getVMService(), instanceName());
        EXPECT_FALSE(VMService::getVMService()->findMachine(instanceName())) << "still registered";
        qunsetenv("TAVENOR_FAKE_VBOX_UNLOCK_SECONDS");
    }

    static void setFaults(const char *lines)
    {
        QFile faults(fakeVirtualBoxFolder() + QStringLiteral("/faults"));
        ASSERT_TRUE(faults.open(QIODevice::WriteOnly));
        faults.write(lines);
    }

    // Starts launch against vm and waits until its worker is through.
    static void launchAndWait(LaunchProcess &launch, RecordingVMService &vm)
    {
        launch.setRetryPauseMs(20);
        ASSERT_TRUE(launch.start(&sharedTestWindow(), &vm));
        ASSERT_TRUE(eventually([&launch] { return launch.waitForWorker(0); }, 120s))
            << vm.calls().join(QLatin1Char(' ')).toStdString();
        settle();
    }
};

struct FaultCase
{
    const char *name;
    const char *faults; // lines of the stand-in's faults file
    int reason;
};

class LaunchVBoxFaultTest : public LaunchVBoxTest, public ::testing::WithParamInterface<FaultCase>
{
};

TEST_P(LaunchVBoxFaultTest, FiveAttemptsEndWithTheReasonVBoxManageGave)
{
    setFaults(GetParam().faults);
    TestWindow &window = sharedTestWindow();
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launch.setRetryPauseMs(20);

    ASSERT_TRUE(launch.start(&window, &vm));
    ASSERT_TRUE(eventually([&window] { return !window.failures().isEmpty(); }, 60s))
        << vm.calls().join(QLatin1Char(' ')).toStdString();
    ASSERT_TRUE(launch.cancelAndWait(30000));
    settle();

    EXPECT_EQ(window.failures(), QList<int>{GetParam().reason}) << vm.calls().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(vm.count(QStringLiteral("start")), 5);
    EXPECT_EQ(vm.count(QStringLiteral("setGuestProperty")), 0);
    launch.stop();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LaunchVBoxFaultTest,
    ::testing::Values(FaultCase{"startvm_not_initialised", "startvm nocom\n", LaunchFailure::kEngineNotInitialized},
                      FaultCase{"lookup_not_initialised", "showvminfo nocom\n", LaunchFailure::kEngineNotInitialized},
                      FaultCase{"lookup_dropped", "showvminfo rpc\n", LaunchFailure::kEngineCommunicationFailed},
                      FaultCase{"lookup_garbage", "showvminfo garbage\n", LaunchFailure::kEngineCommunicationFailed},
                      FaultCase{"startvm_crashes", "startvm crash\n", LaunchFailure::kEngineCommunicationFailed},
                      FaultCase{"startvm_fails", "startvm fail\n", LaunchFailure::kMachineStartFailed}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

// VirtualBox keeps a powered-off machine's session locked for a while (here
// three seconds). An exit in that time still unregisters the machine, and a
// start that finds it just powered off (an exit cut short after the power-
// off) unregisters and starts it in its first attempt.
TEST_F(LaunchVBoxTest, TheUnlockWindowDelaysButNeverDefeatsAnExitOrAStart)
{
    qputenv("TAVENOR_FAKE_VBOX_UNLOCK_SECONDS", "3");
    TestWindow &window = sharedTestWindow();
    {
        RecordingVMService vm(*VMService::getVMService());
        LaunchProcess launch;
        launchAndWait(launch, vm);
        ASSERT_EQ(vm.count(QStringLiteral("start")), 1) << vm.calls().join(QLatin1Char(' ')).toStdString();
        launch.stop();
        EXPECT_EQ(registeredMachines(), 0) << "the exit left the machine registered";
    }
    {
        RecordingVMService vm(*VMService::getVMService());
        LaunchProcess launch;
        launchAndWait(launch, vm);
        ASSERT_EQ(vm.count(QStringLiteral("start")), 1) << vm.calls().join(QLatin1Char(' ')).toStdString();
        // Powered off by another process: nothing of this one waits for
        // the unlock.
        ASSERT_EQ(QProcess::execute(QStringLiteral(STANDIN_VBOXMANAGE),
                                    {QStringLiteral("controlvm"), instanceName(), QStringLiteral("poweroff")}),
                  0);
    }
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    const int changesBefore = callsOf("modifyvm") + callsOf("unregistervm");
    launchAndWait(launch, vm);
    EXPECT_TRUE(window.failures().isEmpty()) << window.failures().size();
    EXPECT_EQ(vm.count(QStringLiteral("start")), 1) << vm.calls().join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(vm.calls().contains(QStringLiteral("removeMachine:removed")));
    // Two changes (the one kept from the last launch, this launch's) and one
    // unregistration when nothing is refused.
    EXPECT_GT(callsOf("modifyvm") + callsOf("unregistervm") - changesBefore, 3)
        << "the start never met the unlock window";
    EXPECT_GE(vm.count(QStringLiteral("setGuestProperty")), 5);
    launch.stop();
    EXPECT_EQ(registeredMachines(), 0);
}

// A data disk whose UUID cannot be read gets no definition (VirtualBox would
// refuse one with an empty disk UUID), and the window is told which disk.
TEST_F(LaunchVBoxTest, AnUnreadableDataDiskFailsWithItsNameAndWritesNoDefinition)
{
    const QString dataDisk = dataDiskPath(instanceName());
    const QString definition = vmDefinitionPath(instanceName());
    QFile::remove(definition);
    QFile truncated(dataDisk);
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly | QIODevice::Truncate));
    truncated.write("<<< Oracle VM VirtualBox Disk Image >>>\n");
    truncated.close();

    TestWindow &window = sharedTestWindow();
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launchAndWait(launch, vm);
    QFile::remove(dataDisk);

    ASSERT_EQ(window.failures(), QList<int>{LaunchFailure::kMachineNotFound});
    EXPECT_EQ(window.failureDetails(), QStringList{unreadableDataDiskText(dataDisk)});
    EXPECT_TRUE(window.failureDetails().value(0).contains(QDir::toNativeSeparators(dataDisk)));
    EXPECT_FALSE(QFileInfo::exists(definition));
    EXPECT_EQ(vm.count(QStringLiteral("start")), 0);
    EXPECT_EQ(vm.count(QStringLiteral("stop")), 1) << "tried again for a disk that stays unreadable";
    EXPECT_EQ(registeredMachines(), 0);
    launch.stop();
}

} // namespace

// The stand-in VBoxManage plays VirtualBox, its machines in a private folder.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QDir().mkpath(fakeVirtualBoxFolder());
    qputenv("TAVENOR_VBOXMANAGE", STANDIN_VBOXMANAGE);
    qputenv("TAVENOR_FAKE_VBOX_DIR", QFile::encodeName(fakeVirtualBoxFolder()));
    VMService::selectEngine(VMService::Engine::VirtualBox);
    sharedTestWindow();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    VMService::releaseVMService();
    return result;
}
