// The launch against VirtualBox when VBoxManage fails: whatever way it
// fails, the launch tries five times and the window hears the reason of the
// failure once, the one VBoxManage's answer means.

#include "LaunchTestSupport.h"
#include "RecordingVMService.h"

#include "app/InstanceName.h"
#include "launch/LaunchProcess.h"
#include "launch/MachineStart.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

namespace {

using namespace std::chrono_literals;

QString fakeVirtualBoxFolder()
{
    return QDir::tempPath() + QStringLiteral("/fake-vbox");
}

struct FaultCase
{
    const char *name;
    const char *faults; // lines of the stand-in's faults file
    int reason;
};

class LaunchVBoxFaultTest : public ::testing::TestWithParam<FaultCase>
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
    }

    static void setFaults(const char *lines)
    {
        QFile faults(fakeVirtualBoxFolder() + QStringLiteral("/faults"));
        ASSERT_TRUE(faults.open(QIODevice::WriteOnly));
        faults.write(lines);
    }
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
                      FaultCase{"startvm_fails", "startvm fail\n", LaunchFailure::kMachineStartFailed},
                      FaultCase{"startvm_locked", "startvm locked\n", LaunchFailure::kMachineStartFailed}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return std::string(info.param.name); });

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
