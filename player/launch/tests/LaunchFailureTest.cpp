// The launch when the machine does not come up, and when the player closes
// while the worker is still at it. Nothing here lets a launch reach its
// guest services, so none of their ports may be listening afterwards.

#include "LaunchTestSupport.h"
#include "RecordingVMService.h"

#include "app/InstanceName.h"
#include "launch/GuestServices.h"
#include "launch/LaunchProcess.h"
#include "launch/MachineShutdown.h"
#include "launch/MachineStart.h"
#include "launch/VmDefinitionWriter.h"

#include "app/Paths.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QSemaphore>

namespace {

using namespace std::chrono_literals;

constexpr int kWorkerWaitMs = 30000;

class LaunchFailureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setInstanceName(QStringLiteral("launch-%1").arg(
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()).toLower()));
        sharedTestWindow().reset();
        // Outside one ctest run's lock another program may hold a port; only
        // ports that were free can tell that nothing here started a service.
        m_freePorts.clear();
        for (int port : {GuestPorts::kVirtualInput, GuestPorts::kClipboard, GuestPorts::kMisc,
                         GuestPorts::kInputMethod}) {
            if (!isListening(port))
                m_freePorts.append(port);
        }
    }

    void TearDown() override { stopAndUnregisterMachine(*VMService::getVMService(), instanceName()); }

    static TestWindow &window() { return sharedTestWindow(); }

    // Starts a launch whose worker then waits inside the machine start
    // until m_proceed is released.
    void startHeldInsideTheStart(LaunchProcess &launch, RecordingVMService &vm)
    {
        vm.setBeforeStart([this] {
            m_entered.release();
            m_proceed.acquire();
        });
        ASSERT_TRUE(launch.start(&window(), &vm));
        ASSERT_TRUE(m_entered.tryAcquire(1, kWorkerWaitMs));
    }

    static void expectNoMachineLeft()
    {
        EXPECT_FALSE(VMService::getVMService()->findMachine(instanceName())) << "still registered";
        EXPECT_EQ(guestProcessCount(instanceName()), 0) << "a guest still runs";
    }

    void expectNothingPublishedOrStarted(const RecordingVMService &vm) const
    {
        EXPECT_EQ(vm.count(QStringLiteral("setGuestProperty")), 0);
        // Each attempt sizes its machine before the start, and only then.
        EXPECT_EQ(vm.count(QStringLiteral("setCpuAndMemory")), vm.count(QStringLiteral("start")));
        EXPECT_EQ(vm.count(QStringLiteral("createSharedFolder")), 0);
        EXPECT_TRUE(stateEntries(instanceName(), QStringLiteral("properties")).isEmpty());
        for (int port : m_freePorts)
            EXPECT_FALSE(isListening(port)) << "a guest service listens on " << port;
    }

    QList<int> m_freePorts;
    QSemaphore m_entered;
    QSemaphore m_proceed;
};

TEST_F(LaunchFailureTest, FiveFailedAttemptsReportTheLastReasonOnce)
{
    // Without the system disk every start fails with "Machine Start Failed".
    ASSERT_TRUE(removeSystemDisk());
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launch.setRetryPauseMs(20);

    ASSERT_TRUE(launch.start(&window(), &vm));
    ASSERT_TRUE(eventually([] { return !window().failures().isEmpty(); }));
    ASSERT_TRUE(launch.cancelAndWait(kWorkerWaitMs));
    settle();

    EXPECT_EQ(window().failures(), QList<int>{LaunchFailure::kMachineStartFailed});
    const QStringList calls = vm.calls();
    EXPECT_EQ(vm.count(QStringLiteral("start")), 5);
    for (int i = 0; i < calls.size(); ++i) {
        if (!calls[i].startsWith(QStringLiteral("start:")))
            continue;
        EXPECT_EQ(calls[i], QStringLiteral("start:4"));
        EXPECT_EQ(calls.value(i + 1), QStringLiteral("stop")) << "each failed attempt is stopped: " << i;
    }
    expectNothingPublishedOrStarted(vm);
    EXPECT_EQ(guestProcessCount(instanceName()), 0);

    launch.stop();
    expectNoMachineLeft();
}

// With the pause it starts with: 3 s after a failed attempt.
TEST_F(LaunchFailureTest, ClosingDuringThePauseEndsTheLaunchAtOnce)
{
    ASSERT_TRUE(removeSystemDisk());
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;

    ASSERT_TRUE(launch.start(&window(), &vm));
    ASSERT_TRUE(eventually([&vm] { return vm.calls().endsWith(QStringLiteral("stop")); }))
        << "the first attempt failed and the worker pauses";
    ASSERT_TRUE(eventually([&launch] { return launch.workerControl().pausingMs() == 3000; }));

    launch.stop(); // the window's exit path
    EXPECT_TRUE(launch.cancelAndWait(0)) << "the worker has ended: its pause was cut short";
    settle();

    EXPECT_EQ(vm.count(QStringLiteral("start")), 1);
    EXPECT_TRUE(window().failures().isEmpty()) << "a cancelled launch reports no failure";
    expectNothingPublishedOrStarted(vm);
    expectNoMachineLeft();
}

TEST_F(LaunchFailureTest, ClosingWhileTheMachineStartsWithdrawsIt)
{
    ASSERT_TRUE(createSystemDisk());
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    startHeldInsideTheStart(launch, vm);
    EXPECT_FALSE(launch.cancelAndWait(0)) << "the worker is inside the start";
    // The start goes through after the player asked to close.
    m_proceed.release();
    ASSERT_TRUE(launch.cancelAndWait(kWorkerWaitMs));
    settle();

    const QStringList calls = vm.calls();
    const int started = calls.indexOf(QStringLiteral("start:0"));
    ASSERT_GE(started, 0) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(calls.mid(started + 1), (QStringList{QStringLiteral("findMachine:found"), QStringLiteral("stop"),
                                                   QStringLiteral("removeMachine:removed")}))
        << "the worker itself stops and unregisters what it started";
    EXPECT_TRUE(window().failures().isEmpty());
    expectNothingPublishedOrStarted(vm);
    expectNoMachineLeft();

    launch.stop();
    expectNoMachineLeft();
}

// One failed lookup and one failed stop at exit must not leave the machine
// running.
TEST_F(LaunchFailureTest, ExitStopsTheMachineWhateverTheLookupSays)
{
    ASSERT_TRUE(createSystemDisk());
    RecordingVMService vm(*VMService::getVMService());
    writeVmDefinition(instanceName(), vm);
    ASSERT_TRUE(vm.openMachine(vmDefinitionPath(instanceName())));
    ASSERT_EQ(vm.start(), 0);
    ASSERT_EQ(guestProcessCount(instanceName()), 1);
    vm.setFailLookups(true);
    vm.setFailingStops(1);

    stopAndUnregisterMachine(vm, instanceName());

    const QStringList calls = vm.calls();
    EXPECT_EQ(calls.mid(calls.indexOf(QStringLiteral("start:0")) + 1),
              (QStringList{QStringLiteral("findMachine:failed"), QStringLiteral("stop:failed"), QStringLiteral("stop"),
                           QStringLiteral("removeMachine:removed")}));
    vm.setFailLookups(false);
    expectNoMachineLeft();
}

// Closing while the worker is inside a start: the event loop goes on, the
// worker is joined and the machine it started is gone afterwards.
TEST_F(LaunchFailureTest, ShutdownJoinsTheWorkerAndStopsTheMachine)
{
    ASSERT_TRUE(createSystemDisk());
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    startHeldInsideTheStart(launch, vm);

    MachineShutdown shutdown(launch);
    shutdown.begin();
    EXPECT_FALSE(shutdown.finish(50)) << "the worker is inside the start";
    EXPECT_TRUE(launch.workerControl().isCancelled());
    m_proceed.release();
    ASSERT_TRUE(shutdown.finish(kWorkerWaitMs));

    EXPECT_FALSE(launch.workerControl().isWorkerRunning());
    EXPECT_TRUE(window().failures().isEmpty());
    expectNothingPublishedOrStarted(vm);
    expectNoMachineLeft();
}

} // namespace
