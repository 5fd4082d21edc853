#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

namespace {

struct DisplayLossCase
{
    const char *type;
    const char *message;
    bool endsAtOnce;
};

class DisplayLossTest : public ::testing::TestWithParam<DisplayLossCase>
{
};

// This test program, started with --lose-display TYPE MESSAGE, gives the
// message and then calls exit() as Qt does (see EntryTestMain.cpp). Only
// Qt's own warnings on a broken display connection end it at once: with code
// 1 and no static object destroyed, so that no destructor runs under threads
// that still work. Every message still reaches Qt's own output first.
TEST_P(DisplayLossTest, OnlyALostDisplayEndsWithoutDestructors)
{
    const DisplayLossCase &lossCase = GetParam();
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--lose-display"), QString::fromLatin1(lossCase.type),
                 QString::fromLatin1(lossCase.message)});
    ASSERT_TRUE(child.waitForFinished(20000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(output.startsWith(lossCase.message)) << output.constData();
    EXPECT_EQ(output.contains("display lost: the player ends at once"), lossCase.endsAtOnce) << output.constData();
    EXPECT_EQ(output.contains("static destroyed"), !lossCase.endsAtOnce) << output.constData();
    EXPECT_EQ(child.exitCode(), lossCase.endsAtOnce ? 1 : 3);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DisplayLossTest,
    ::testing::Values(
        DisplayLossCase{"warning", "The X11 connection broke (error 1). Did the X11 server die?", true},
        DisplayLossCase{"warning", "The X11 connection broke: I/O error (code 1)", true},
        DisplayLossCase{"warning", "The Wayland connection broke. Did the Wayland compositor die?", true},
        DisplayLossCase{"debug", "The X11 connection broke (error 1). Did the X11 server die?", false},
        DisplayLossCase{"warning", "QXcbConnection: XCB error: 3 (BadWindow)", false},
        DisplayLossCase{"warning", "Warning: The X11 connection broke", false}));

} // namespace
