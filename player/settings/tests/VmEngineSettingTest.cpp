#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/VmEngineSetting.h"
#include "TestStore.h"

namespace {

struct EngineCase
{
    const char *stored; // nullptr: key absent
    VmEngine expected;
};

class ReadVmEngineTest : public ::testing::TestWithParam<EngineCase> {};

TEST_P(ReadVmEngineTest, SimulatorOnlyWhenAskedFor)
{
    SettingsStore store(testApplication());
    if (GetParam().stored)
        store.setValue(QStringLiteral("Engine"), QString::fromLatin1(GetParam().stored));
    EXPECT_EQ(readVmEngine(store), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ReadVmEngineTest,
                         ::testing::Values(EngineCase{nullptr, VmEngine::VirtualBox},
                                           EngineCase{"virtualbox", VmEngine::VirtualBox},
                                           EngineCase{"simulator", VmEngine::Simulator},
                                           EngineCase{" Simulator ", VmEngine::Simulator},
                                           EngineCase{"qemu", VmEngine::VirtualBox},
                                           EngineCase{"", VmEngine::VirtualBox}));

} // namespace
