#include "launch/LaunchSettings.h"

#include "app/InstanceName.h"
#include "settings/PerformanceRule.h"
#include "settings/ResolutionRule.h"
#include "settings/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
constexpr int kNoScreenDesktopHeight = 900;
} // namespace

int desktopHeight()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return kNoScreenDesktopHeight;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return kNoScreenDesktopHeight;
    const QRect desktop = screen->virtualGeometry();
    return desktop.bottom() - desktop.top() + 1;
}

void readGuestResolution(int &width, int &height, int &dpi)
{
    readGuestResolution(width, height, dpi, desktopHeight());
}

void readGuestResolution(int &width, int &height, int &dpi, int desktopHeight)
{
    const SettingsStore store(instanceName());
    const GuestResolution resolution = resolveGuestResolution(store, desktopHeight);
    width = resolution.width;
    height = resolution.height;
    dpi = resolution.dpi;
}

void readCpuAndMemory(int &cpuCount, int &memoryMB, int hostCpuCount, int hostMemoryMB)
{
    const SettingsStore store(instanceName());
    const CpuAndMemory chosen = resolveCpuAndMemory(store, hostCpuCount, hostMemoryMB);
    cpuCount = chosen.cpuCount;
    memoryMB = chosen.memoryMB;
}
