#include "settings/ResolutionRule.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "TestStore.h"

#include <map>

namespace {

struct ScreenCase
{
    int desktopHeight;
    QSize expected;
};

class ScreenDerivedSizeTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenDerivedSizeTest, EightyPercentOfTheHeightAtSixteenToNine)
{
    EXPECT_EQ(screenDerivedSize(GetParam().desktopHeight), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ScreenDerivedSizeTest,
                         ::testing::Values(ScreenCase{1080, {1536, 864}},
                                           ScreenCase{900, {1280, 720}},
                                           ScreenCase{768, {1091, 614}},
                                           ScreenCase{1024, {1456, 819}},
                                           ScreenCase{600, {853, 480}}));

using Stored = std::map<std::string, QVariant>;

struct ResolutionCase
{
    const char *name;
    Stored stored;
    int desktopHeight;
    int width;
    int height;
    int dpi;
};

class ResolveGuestResolutionTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ResolveGuestResolutionTest, FromTheInstanceStore)
{
    const ResolutionCase &c = GetParam();
    SettingsStore store(testApplication());
    for (const auto &[key, value] : c.stored)
        store.setValue(QString::fromStdString(key), value);

    const GuestResolution resolution = resolveGuestResolution(store, c.desktopHeight);
    EXPECT_EQ(resolution.width, c.width);
    EXPECT_EQ(resolution.height, c.height);
    EXPECT_EQ(resolution.dpi, c.dpi);
}

const ResolutionCase kResolutionCases[] = {
    {"NoSettings1080", {}, 1080, 1536, 864, 240},
    {"NoSettings900", {}, 900, 1280, 720, 240},
    {"NoSettings768", {}, 768, 1091, 614, 240},
    {"NoSettings1024", {}, 1024, 1456, 819, 240},
    {"Preset800", {{"graphics", 1}}, 1080, 800, 600, 240},
    {"PresetIgnoresStoredDpi", {{"graphics", 2}, {"graphics_dpi", 320}}, 1080, 1280, 720, 240},
    {"Preset1440", {{"graphics", 3}, {"graphics_width", 640}}, 1080, 1440, 900, 240},
    {"Preset1920", {{"graphics", 4}}, 768, 1920, 1080, 240},
    {"Custom", {{"graphics", 0}, {"graphics_width", 1000}, {"graphics_height", 700}, {"graphics_dpi", 160}},
     1080, 1000, 700, 160},
    {"CustomDefaultDpi", {{"graphics", 0}, {"graphics_width", 1000}, {"graphics_height", 700}}, 1080, 1000, 700, 240},
    {"CustomWithoutHeightKeepsDpi", {{"graphics", 0}, {"graphics_width", 1024}, {"graphics_dpi", 320}},
     1080, 1536, 864, 320},
    {"CustomZeroWidth", {{"graphics", 0}, {"graphics_width", 0}, {"graphics_height", 700}, {"graphics_dpi", 200}},
     900, 1280, 720, 200},
    {"CustomNegativeSize", {{"graphics", 0}, {"graphics_width", -1000}, {"graphics_height", 700}}, 900, 1280, 720, 240},
    {"NegativePreset", {{"graphics", -1}, {"graphics_dpi", 320}}, 1080, 1536, 864, 240},
    {"UnknownPreset", {{"graphics", 5}, {"graphics_width", 1000}, {"graphics_height", 700}}, 1080, 1536, 864, 240},
    {"NonNumberPreset", {{"graphics", QStringLiteral("wide")}, {"graphics_dpi", 320}}, 1080, 1536, 864, 240},
    {"KeysInAnyCase", {{"Graphics", 0}, {"GRAPHICS_WIDTH", 1000}, {"Graphics_Height", 700}}, 1080, 1000, 700, 240},
};

INSTANTIATE_TEST_SUITE_P(Settings, ResolveGuestResolutionTest, ::testing::ValuesIn(kResolutionCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(GraphicsPresetSizeTest, OnlyOneToFourArePresets)
{
    EXPECT_EQ(graphicsPresetSize(0), std::nullopt);
    EXPECT_EQ(graphicsPresetSize(1), QSize(800, 600));
    EXPECT_EQ(graphicsPresetSize(4), QSize(1920, 1080));
    EXPECT_EQ(graphicsPresetSize(5), std::nullopt);
    EXPECT_EQ(graphicsPresetSize(-1), std::nullopt);
}

} // namespace
