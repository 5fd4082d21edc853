#pragma once

class SettingsStore;

enum class VmEngine {
    VirtualBox,
    Simulator,
};

// The engine the instance store's "engine" selects: "simulator" for the
// simulated engine; absent, "virtualbox" or anything else for VirtualBox.
VmEngine readVmEngine(const SettingsStore &store);
