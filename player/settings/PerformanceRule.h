#pragma once

#include <optional>

class SettingsStore;

struct CpuAndMemory
{
    int cpuCount;
    int memoryMB;
};

// The host-derived defaults: half the host's processors (at least one) and
// 2048 MB on a host with at least 4096 MB, else 1024 MB.
int hostDefaultCpuCount(int hostCpuCount);
int hostDefaultMemoryMB(int hostMemoryMB);

// The fixed presets of "performance": 0 Low, 1 Medium, 2 High. Custom (3)
// and any other value have no fixed numbers.
std::optional<CpuAndMemory> performancePreset(int performance);

// What the guest is started with, from "performance" (and, under Custom,
// "cpu" and "memory") of the instance store.
CpuAndMemory resolveCpuAndMemory(const SettingsStore &store, int hostCpuCount, int hostMemoryMB);
