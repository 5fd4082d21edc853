#include <gtest/gtest.h>

#include <QCoreApplication>

#include <VMService.h>

// The VM service's simulated engine reads real VDI images and real machine
// definitions, so the writer's tests run against it.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    VMService::selectEngine(VMService::Engine::Simulator);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    VMService::releaseVMService();
    return result;
}
