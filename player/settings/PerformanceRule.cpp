#include "settings/PerformanceRule.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {
constexpr int kCustom = 3;

// The dialog never stores a count below one; a hand-edited one would ask
// for a machine that cannot start.
int positiveOr(int value, int fallback)
{
    return value > 0 ? value : fallback;
}
} // namespace

int hostDefaultCpuCount(int hostCpuCount)
{
    // A single-processor host would otherwise ask for a machine with no CPU.
    return std::max(1, hostCpuCount / 2);
}

int hostDefaultMemoryMB(int hostMemoryMB)
{
    return hostMemoryMB >= 4096 ? 2048 : 1024;
}

std::optional<CpuAndMemory> performancePreset(int performance)
{
    switch (performance) {
    case 0: return CpuAndMemory{1, 1024};
    case 1: return CpuAndMemory{2, 1024};
    case 2: return CpuAndMemory{2, 2048};
    default: return std::nullopt;
    }
}

CpuAndMemory resolveCpuAndMemory(const SettingsStore &store, int hostCpuCount, int hostMemoryMB)
{
    const int defaultCpu = hostDefaultCpuCount(hostCpuCount);
    const int defaultMemory = hostDefaultMemoryMB(hostMemoryMB);
    const std::optional<int> performance = store.validInt(SettingsKeys::kPerformance);
    if (!performance)
        return {defaultCpu, defaultMemory};
    if (const auto preset = performancePreset(*performance))
        return *preset;
    if (*performance != kCustom)
        return {defaultCpu, defaultMemory};
    return {positiveOr(store.intValue(SettingsKeys::kCpu, defaultCpu), defaultCpu),
            positiveOr(store.intValue(SettingsKeys::kMemory, defaultMemory), defaultMemory)};
}
