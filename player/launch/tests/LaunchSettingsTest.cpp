#include "app/InstanceName.h"
#include "launch/LaunchSettings.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QVariantMap>

namespace {

// Each case gets an instance of its own, so its settings start empty.
void useFreshInstance(const QVariantMap &settings)
{
    static int instance = 0;
    setInstanceName(QStringLiteral("rules-%1").arg(++instance));
    SettingsStore store(instanceName());
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        store.setValue(it.key(), it.value());
}

struct ResolutionCase
{
    const char *name;
    QVariantMap settings;
    int desktopHeight;
    int width;
    int height;
    int dpi;
};

TEST(LaunchSettingsTest, GuestResolutionFollowsTheGraphicsSettings)
{
    const ResolutionCase cases[] = {
        {"no settings, desktop 1080", {}, 1080, 1536, 864, 240},
        {"no settings, desktop 900", {}, 900, 1280, 720, 240},
        {"no settings, desktop 768", {}, 768, 1091, 614, 240},
        {"no settings, desktop 1024", {}, 1024, 1456, 819, 240},
        {"custom with width 0 keeps its DPI",
         {{"graphics", 0}, {"graphics_width", 0}, {"graphics_height", 720}, {"graphics_dpi", 320}}, 1080, 1536, 864,
         320},
        {"custom without a height", {{"graphics", 0}, {"graphics_width", 1024}}, 900, 1280, 720, 240},
        {"custom size and DPI",
         {{"graphics", 0}, {"graphics_width", 1000}, {"graphics_height", 600}, {"graphics_dpi", 160}}, 1080, 1000,
         600, 160},
        {"800x600", {{"graphics", 1}}, 1080, 800, 600, 240},
        {"1280x720 ignores a stored DPI", {{"graphics", 2}, {"graphics_dpi", 320}}, 1080, 1280, 720, 240},
        {"1440x900", {{"graphics", 3}}, 1080, 1440, 900, 240},
        {"1920x1080", {{"graphics", 4}}, 768, 1920, 1080, 240},
        {"negative preset", {{"graphics", -1}, {"graphics_dpi", 320}}, 1080, 1536, 864, 240},
        {"unknown preset", {{"graphics", 7}}, 900, 1280, 720, 240},
    };
    for (const ResolutionCase &c : cases) {
        useFreshInstance(c.settings);
        int width = -1;
        int height = -1;
        int dpi = -1;
        readGuestResolution(width, height, dpi, c.desktopHeight);
        EXPECT_EQ(width, c.width) << c.name;
        EXPECT_EQ(height, c.height) << c.name;
        EXPECT_EQ(dpi, c.dpi) << c.name;
    }
}

TEST(LaunchSettingsTest, AutomaticResolutionComesFromTheDesktopSpanningAllScreens)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(desktopHeight(), screen->virtualGeometry().height());

    useFreshInstance({});
    int width = 0;
    int height = 0;
    int dpi = 0;
    readGuestResolution(width, height, dpi);
    int expectedWidth = 0;
    int expectedHeight = 0;
    int expectedDpi = 0;
    readGuestResolution(expectedWidth, expectedHeight, expectedDpi, desktopHeight());
    EXPECT_EQ(width, expectedWidth);
    EXPECT_EQ(height, expectedHeight);
    EXPECT_EQ(dpi, 240);
}

struct PerformanceCase
{
    const char *name;
    QVariantMap settings;
    int hostCpuCount;
    int hostMemoryMB;
    int cpuCount;
    int memoryMB;
};

TEST(LaunchSettingsTest, CpuAndMemoryFollowThePerformanceSettings)
{
    const PerformanceCase cases[] = {
        {"no settings, large host", {}, 8, 8192, 4, 2048},
        {"no settings, host of exactly 4096 MB", {}, 4, 4096, 2, 2048},
        {"no settings, small host", {}, 3, 4095, 1, 1024},
        {"low", {{"performance", 0}}, 8, 8192, 1, 1024},
        {"medium", {{"performance", 1}}, 8, 8192, 2, 1024},
        {"high", {{"performance", 2}}, 8, 2048, 2, 2048},
        {"custom without values takes the host's defaults", {{"performance", 3}}, 6, 3000, 3, 1024},
        {"custom", {{"performance", 3}, {"cpu", 6}, {"memory", 3072}}, 8, 8192, 6, 3072},
        {"unknown preset", {{"performance", 9}, {"cpu", 6}}, 8, 8192, 4, 2048},
        {"a stored text counts as none", {{"performance", "fast"}}, 8, 8192, 4, 2048},
    };
    for (const PerformanceCase &c : cases) {
        useFreshInstance(c.settings);
        int cpuCount = -1;
        int memoryMB = -1;
        readCpuAndMemory(cpuCount, memoryMB, c.hostCpuCount, c.hostMemoryMB);
        EXPECT_EQ(cpuCount, c.cpuCount) << c.name;
        EXPECT_EQ(memoryMB, c.memoryMB) << c.name;
    }
}

} // namespace
