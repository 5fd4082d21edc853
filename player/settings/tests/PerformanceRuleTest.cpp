#include "settings/PerformanceRule.h"
#include "settings/SettingsStore.h"
#include "TestStore.h"

#include <map>

namespace {

using Stored = std::map<std::string, QVariant>;

struct PerformanceCase
{
    const char *name;
    Stored stored;
    int hostCpus;
    int hostMemoryMB;
    int cpus;
    int memoryMB;
};

class ResolveCpuAndMemoryTest : public ::testing::TestWithParam<PerformanceCase> {};

TEST_P(ResolveCpuAndMemoryTest, FromTheInstanceStore)
{
    const PerformanceCase &c = GetParam();
    SettingsStore store(testApplication());
    for (const auto &[key, value] : c.stored)
        store.setValue(QString::fromStdString(key), value);

    const CpuAndMemory chosen = resolveCpuAndMemory(store, c.hostCpus, c.hostMemoryMB);
    EXPECT_EQ(chosen.cpuCount, c.cpus);
    EXPECT_EQ(chosen.memoryMB, c.memoryMB);
}

const PerformanceCase kPerformanceCases[] = {
    {"NoSettingsLargeHost", {}, 8, 16384, 4, 2048},
    {"NoSettingsSmallHost", {}, 4, 3000, 2, 1024},
    {"MemoryThresholdBelow", {}, 6, 4095, 3, 1024},
    {"MemoryThresholdAt", {}, 6, 4096, 3, 2048},
    {"OddProcessorCountTruncates", {}, 7, 8192, 3, 2048},
    {"SingleProcessorHostGetsOne", {}, 1, 8192, 1, 2048},
    {"Low", {{"performance", 0}, {"cpu", 4}, {"memory", 4096}}, 8, 16384, 1, 1024},
    {"Medium", {{"performance", 1}}, 8, 16384, 2, 1024},
    {"High", {{"performance", 2}}, 8, 2048, 2, 2048},
    {"CustomStored", {{"performance", 3}, {"cpu", 3}, {"memory", 3072}}, 8, 16384, 3, 3072},
    {"CustomWithoutValues", {{"performance", 3}}, 8, 16384, 4, 2048},
    {"CustomWithoutValuesSmallHost", {{"performance", 3}}, 2, 2048, 1, 1024},
    {"CustomZeroCpu", {{"performance", 3}, {"cpu", 0}, {"memory", 1536}}, 8, 16384, 4, 1536},
    {"UnknownPreset", {{"performance", 100}, {"cpu", 3}}, 8, 16384, 4, 2048},
    {"NegativePreset", {{"performance", -2}}, 4, 8192, 2, 2048},
    {"NonNumberPresetCountsAsNone", {{"performance", QStringLiteral("fast")}}, 4, 8192, 2, 2048},
    {"CpuIgnoredOutsideCustom", {{"cpu", 3}, {"memory", 3072}}, 8, 16384, 4, 2048},
};

INSTANTIATE_TEST_SUITE_P(Settings, ResolveCpuAndMemoryTest, ::testing::ValuesIn(kPerformanceCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PerformancePresetTest, OnlyLowMediumHighAreFixed)
{
    ASSERT_TRUE(performancePreset(1));
    EXPECT_EQ(performancePreset(1)->cpuCount, 2);
    EXPECT_EQ(performancePreset(1)->memoryMB, 1024);
    EXPECT_FALSE(performancePreset(3));
    EXPECT_FALSE(performancePreset(-1));
}

} // namespace
