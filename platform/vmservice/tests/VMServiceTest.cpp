#include "SimulatorEngine.h"
#include "VMService.h"
#include "VirtualBoxEngine.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace {

// The process-wide instance: these tests share it, so each releases what it
// made.
TEST(VMService, TheSelectedEngineIsCreatedOnFirstUse)
{
    VMService::releaseVMService();
    VMService::selectEngine(VMService::Engine::Simulator);
    VMService *vm = VMService::getVMService();
    ASSERT_NE(vm, nullptr);
    EXPECT_NE(dynamic_cast<SimulatorEngine *>(vm), nullptr);
    VMService::selectEngine(VMService::Engine::VirtualBox);
    EXPECT_EQ(VMService::getVMService(), vm) << "ignored once the instance exists";
    VMService::releaseVMService();
    EXPECT_NE(dynamic_cast<SimulatorEngine *>(VMService::getVMService()), nullptr) << "the choice stays";
    VMService::releaseVMService();

    VMService::selectEngine(VMService::Engine::VirtualBox);

    VMService *next = VMService::getVMService();
    EXPECT_NE(dynamic_cast<VirtualBoxEngine *>(next), nullptr);
    VMService::releaseVMService();
}

TEST(VMService, AReleasedInstanceStaysUsable)
{
    VMService::selectEngine(VMService::Engine::Simulator);
    VMService *old = VMService::getVMService();
    VMService::releaseVMService();
    VMService::releaseVMService();
    EXPECT_FALSE(old->getVersion().isEmpty()) << "a thread still holding the pointer";
    EXPECT_GT(old->hostProcessorCount(), 0);
    VMService::selectEngine(VMService::Engine::VirtualBox);
}

TEST(VMService, ConcurrentFirstUseMakesOneInstance)
{
    VMService::releaseVMService();
    std::vector<VMService *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = VMService::getVMService(); });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(std::set<VMService *>(seen.begin(), seen.end()).size(), 1u);
    VMService::releaseVMService();
}

} // namespace
