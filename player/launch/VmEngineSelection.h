#pragma once

#include "settings/VmEngineSetting.h"

// Chooses the VM service's engine from the instance store's "engine"
// ("simulator" or VirtualBox). Call before the first
// VMService::getVMService(); later calls change nothing. Returns the engine
// asked for.
VmEngine selectVmEngineFromSettings();
