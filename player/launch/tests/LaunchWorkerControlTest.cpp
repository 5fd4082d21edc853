#include "launch/LaunchWorkerControl.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr int kTenMinutesMs = 10 * 60 * 1000;

TEST(LaunchWorkerControlTest, APauseRunsItsCourseWithoutCancellation)
{
    LaunchWorkerControl control;
    EXPECT_TRUE(control.pause(10));
    EXPECT_FALSE(control.isCancelled());
}

TEST(LaunchWorkerControlTest, CancellingWakesALongPause)
{
    LaunchWorkerControl control;
    std::thread canceller([&control] { control.cancel(); });
    // Returns only when woken: ten minutes are far beyond the test's time-out.
    EXPECT_FALSE(control.pause(kTenMinutesMs));
    canceller.join();
    EXPECT_TRUE(control.isCancelled());
}

TEST(LaunchWorkerControlTest, APauseAfterCancellationDoesNotSleep)
{
    LaunchWorkerControl control;
    control.cancel();
    EXPECT_FALSE(control.pause(kTenMinutesMs));
}

TEST(LaunchWorkerControlTest, WaitingForTheWorkerIsBoundedUntilItFinishes)
{
    LaunchWorkerControl control;
    EXPECT_TRUE(control.waitForWorker(0)) << "no worker queued yet";

    control.workerQueued();
    EXPECT_TRUE(control.isWorkerRunning());
    EXPECT_FALSE(control.waitForWorker(20));

    std::thread worker([&control] { control.workerFinished(); });
    EXPECT_TRUE(control.waitForWorker(-1));
    worker.join();
    EXPECT_FALSE(control.isWorkerRunning());
}

} // namespace
