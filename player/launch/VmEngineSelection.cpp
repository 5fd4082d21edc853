#include "launch/VmEngineSelection.h"

#include "app/InstanceName.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <QDebug>

VmEngine selectVmEngineFromSettings()
{
    const VmEngine engine = readVmEngine(SettingsStore(instanceName()));
    const bool simulated = engine == VmEngine::Simulator;
    qDebug() << "vm engine" << (simulated ? "simulator" : "virtualbox");
    VMService::selectEngine(simulated ? VMService::Engine::Simulator : VMService::Engine::VirtualBox);
    return engine;
}
