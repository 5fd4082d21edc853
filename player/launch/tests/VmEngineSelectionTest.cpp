#include "app/InstanceName.h"
#include "launch/VmEngineSelection.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <gtest/gtest.h>

namespace {

TEST(VmEngineSelectionTest, TheInstanceSettingChoosesTheEngineOfTheVmService)
{
    setInstanceName(QStringLiteral("engine-choice"));
    SettingsStore(instanceName()).setValue(QStringLiteral("Engine"), QStringLiteral(" Simulator "));

    EXPECT_EQ(selectVmEngineFromSettings(), VmEngine::Simulator);
    EXPECT_TRUE(VMService::getVMService()->getVersion().endsWith(QStringLiteral("-simulator")));
    VMService::releaseVMService();
}

} // namespace
