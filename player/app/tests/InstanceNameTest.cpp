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

struct NameCase
{
    const char *name;
    bool accepted;
};

class InstanceNameProblemTest : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(InstanceNameProblemTest, OnlyPlainFileNamesPass)
{
    const QString problem = instanceNameProblem(QString::fromUtf8(GetParam().name));
    EXPECT_EQ(problem.isEmpty(), GetParam().accepted) << GetParam().name << ": " << problem.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Names, InstanceNameProblemTest,
                         ::testing::Values(NameCase{"tavenor", true}, NameCase{"second copy", true},
                                           NameCase{"..x", true}, NameCase{"名字", true}, NameCase{"a.b", true},
                                           NameCase{"", false}, NameCase{".", false}, NameCase{"..", false},
                                           NameCase{"../x", false}, NameCase{"a/b", false},
                                           NameCase{"a\\b", false}, NameCase{"/abs", false},
                                           NameCase{"tab\there", false}, NameCase{"line\n", false},
                                           NameCase{"del\x7f", false}, NameCase{"c1\xc2\x85", false}));

} // namespace
