#include "LaunchTestSupport.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QGuiApplication>

// The launch against the simulated engine, which runs the built
// tavenor-guest as the machine. The program sits in an install folder of
// its own (template, blank data disk, channel file), as the player does.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    useSimulatedGuest();
    VMService::selectEngine(VMService::Engine::Simulator);
    sharedTestWindow();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    VMService::releaseVMService();
    return result;
}
