// The command line the simulated engine gives a guest on Windows, against the
// C runtime's documented splitting rules: each expected line is what the
// runtime splits back into the arguments given.
#include "WindowsCommandLine.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *name;
    QStringList arguments;
    QString expected; // after the program "C:\g.exe"
};

class WindowsCommandLineTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(WindowsCommandLineTest, SplitsBackIntoTheArguments)
{
    const Case &c = GetParam();
    EXPECT_EQ(windowsCommandLine(QStringLiteral("C:/g.exe"), c.arguments).toStdString(),
              (QStringLiteral("C:\\g.exe ") + c.expected).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WindowsCommandLineTest,
    ::testing::Values(
        // Nothing to protect: as it is, backslashes included.
        Case{"plain", {QStringLiteral("C:\\vms\\e2e.sim")}, QStringLiteral("C:\\vms\\e2e.sim")},
        // An empty argument would vanish unquoted.
        Case{"empty", {QString()}, QStringLiteral("\"\"")},
        // White space: quoted; a backslash not before a quote stays single.
        Case{"space", {QStringLiteral("C:\\my vms\\a.sim")}, QStringLiteral("\"C:\\my vms\\a.sim\"")},
        Case{"tab", {QStringLiteral("a\tb")}, QStringLiteral("\"a\tb\"")},
        // A quote is escaped; backslashes before it are doubled, plus one for it.
        Case{"quote", {QStringLiteral("say \"hi\"")}, QStringLiteral("\"say \\\"hi\\\"\"")},
        Case{"backslash before quote", {QStringLiteral("a\\\"b")}, QStringLiteral("\"a\\\\\\\"b\"")},
        // Trailing backslashes are doubled before the closing quote.
        Case{"trailing backslash", {QStringLiteral("C:\\my vms\\")}, QStringLiteral("\"C:\\my vms\\\\\"")},
        // Several arguments, one space apart.
        Case{"several", {QStringLiteral("--fps"), QStringLiteral("30"), QString()},
             QStringLiteral("--fps 30 \"\"")}),
    [](const ::testing::TestParamInfo<Case> &info) {
        std::string name = info.param.name;
        for (char &c : name) {
            if (c == ' ')
                c = '_';
        }
        return name;
    });

TEST(WindowsCommandLine, ProgramWithASpaceIsQuotedWithNativeSeparators)
{
    EXPECT_EQ(windowsCommandLine(QStringLiteral("C:/Program Files/Tavenor/tavenor-guest.exe"), {}).toStdString(),
              "\"C:\\Program Files\\Tavenor\\tavenor-guest.exe\"");
}

} // namespace
