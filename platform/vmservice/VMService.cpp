#include "VMService.h"

#include "SimulatorEngine.h"
#include "VirtualBoxEngine.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

std::mutex g_mutex;
VMService::Engine g_engine = VMService::Engine::VirtualBox;
VMService *g_instance = nullptr;

// Released instances stay alive until the process ends: the guest-service
// library keeps the pointer it was given and may still be inside a call on
// another thread when the player releases the service at exit.
std::vector<std::unique_ptr<VMService>> &retiredInstances()
{
    static auto *retired = new std::vector<std::unique_ptr<VMService>>;
    return *retired;
}

VMService *createInstance(VMService::Engine engine)
{
    if (engine == VMService::Engine::Simulator)
        return new SimulatorEngine(SimulatorEngine::Config::fromEnvironment());
    return new VirtualBoxEngine(VBoxManageRunner(VBoxManageRunner::locate()));
}

} // namespace

void VMService::selectEngine(Engine engine)
{
    std::lock_guard lock(g_mutex);
    if (!g_instance)
        g_engine = engine;
}

VMService *VMService::getVMService()
{
    std::lock_guard lock(g_mutex);
    if (!g_instance)
        g_instance = createInstance(g_engine);
    return g_instance;
}

void VMService::releaseVMService()
{
    std::lock_guard lock(g_mutex);
    if (!g_instance)
        return;
    retiredInstances().emplace_back(g_instance);
    g_instance = nullptr;
}

VMService::~VMService() = default;
