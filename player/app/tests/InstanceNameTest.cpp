#include "app/InstanceName.h"

#include <gtest/gtest.h>

namespace {

TEST(InstanceNameTest, DefaultsToTavenorUntilReplaced)
{
    EXPECT_EQ(instanceName(), QStringLiteral("tavenor"));
    setInstanceName(QStringLiteral("second"));
    EXPECT_EQ(instanceName(), QStringLiteral("second"));
    setInstanceName(QString());
    EXPECT_EQ(instanceName(), QString()) << "an empty argument is a name too";
    setInstanceName(QStringLiteral("tavenor"));
}

} // namespace
