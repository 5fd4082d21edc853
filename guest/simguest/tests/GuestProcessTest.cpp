// tavenor-guest as a process, with no host services anywhere (its agents
// point at 127.0.0.3): its command line, its control socket, the properties
// it follows, and how it ends.

#include "Eventually.h"
#include "GuestRunner.h"

#include <SimStateFormat.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

void replaceProperties(const QString &folder, const simstate::Entries &entries)
{
    const QString path = folder + QStringLiteral("/properties");
    QFile file(path + QStringLiteral(".new"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(simstate::formatEntries(entries)));
    file.close();
    ASSERT_EQ(std::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                          QFile::encodeName(path).constData()),
              0);
}

class GuestProcess : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    std::unique_ptr<GuestRunner> startGuest(GuestRunner::Options options = {})
    {
        auto guest = std::make_unique<GuestRunner>(m_dir.path(), options);
        EXPECT_TRUE(guest->start()) << guest->log().constData();
        return guest;
    }

    QTemporaryDir m_dir;
};

TEST_F(GuestProcess, AnswersEveryControlCommand)
{
    auto guest = startGuest();
    const std::pair<QByteArray, QString> exchanges[] = {
        {"rotate 90", QStringLiteral("ok")},
        {"rotate 90", QStringLiteral("ok")},
        {"rotate 45", QStringLiteral("error: rotate takes 0, 90, 180 or 270")},
        {"ready", QStringLiteral("error: misc is not connected")},
        {"mouselock 1", QStringLiteral("error: misc is not connected")},
        {"engine 1", QStringLiteral("error: misc is not connected")},
        {"clipboard hello there", QStringLiteral("error: clipboard is not connected")},
        {"drop vinput", QStringLiteral("error: vinput is not connected")},
        {"drop gl", QStringLiteral("error: gl is not connected")},
        {"drop everything",
         QStringLiteral("error: drop takes one of vinput, misc, clipboard, ime, gl")},
        {"launch rockets", QStringLiteral("error: unknown command \"launch\"")},
        {"rotate 0\r", QStringLiteral("ok")},
    };
    for (const auto &[line, answer] : exchanges)
        EXPECT_EQ(guest->control(line), answer) << line.constData();
    const EventLogReader events = guest->events();
    const auto turned =
        events.waitFor({{"agent", "guest"}, {"dir", "out"}, {"type", "rotate"}, {"degrees", 90}});
    ASSERT_TRUE(turned);
    EXPECT_TRUE(events.waitFor({{"type", "rotate"}, {"degrees", 0}}, *turned + 1));
    EXPECT_EQ(events.countOf({{"type", "rotate"}}), 2)
        << "turning to the same rotation again is no change";
}

TEST_F(GuestProcess, ControlLinesMayArriveTogetherOrInPieces)
{
    auto guest = startGuest();
    QLocalSocket socket;
    socket.connectToServer(guest->stateFile(QStringLiteral("control.sock")));
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write("rotate 180\nrot");
    socket.flush();
    socket.write("ate 270\nbogus\n");
    QByteArray answers;
    ASSERT_TRUE(eventually([&] {
        socket.waitForReadyRead(50);
        answers += socket.readAll();
        return answers.count('\n') == 3;
    }));
    EXPECT_EQ(answers, QByteArray("ok\nok\nerror: unknown command \"bogus\"\n"));

    // A line longer than any command may be is skipped, never buffered whole,
    // and answered with an error; the lines after it are served as usual.
    QLocalSocket flood;
    flood.connectToServer(guest->stateFile(QStringLiteral("control.sock")));
    ASSERT_TRUE(flood.waitForConnected(5000));
    flood.write(QByteArray(3 << 20, 'x') + "\nrotate 180\n");
    QByteArray replies;
    EXPECT_TRUE(eventually([&] {
        flood.waitForBytesWritten(50);
        flood.waitForReadyRead(50);
        replies += flood.readAll();
        return replies.count('\n') == 2;
    }));
    EXPECT_EQ(replies, QByteArray("error: line too long\nok\n"));
    EXPECT_EQ(guest->control("rotate 0"), QStringLiteral("ok")) << "the guest carries on";
}

TEST_F(GuestProcess, FollowsThePropertiesAsTheEngineRewritesThem)
{
    replaceProperties(m_dir.path(), {{"tavenor.brand", "Samsung"}, {"tavenor.dpi", "240"}});
    auto guest = startGuest();
    const EventLogReader events = guest->events();
    EXPECT_TRUE(events.waitFor(
        {{"type", "property"}, {"dir", "in"}, {"name", "tavenor.brand"}, {"value", "Samsung"}}));
    EXPECT_TRUE(events.waitFor({{"type", "property"}, {"name", "tavenor.dpi"}, {"value", "240"}}));

    replaceProperties(m_dir.path(),
                      {{"tavenor.brand", "Tavenor = \"x\"\n"}, {"tavenor.model", "SM-G9250"}});
    EXPECT_TRUE(events.waitFor(
        {{"type", "property"}, {"name", "tavenor.brand"}, {"value", "Tavenor = \"x\"\n"}}));
    EXPECT_TRUE(
        events.waitFor({{"type", "property"}, {"name", "tavenor.model"}, {"value", "SM-G9250"}}));
    EXPECT_TRUE(events.waitFor(
        {{"type", "property"}, {"name", "tavenor.dpi"}, {"value", QJsonValue::Null}}));
    EXPECT_EQ(events.countOf({{"name", "tavenor.brand"}}), 2);

    // Values the guest cannot use are logged and ignored, not fatal.
    replaceProperties(m_dir.path(),
                      {{"tavenor.gles.addr", "nowhere"}, {"tavenor.ime.port", "99999"}});
    EXPECT_TRUE(events.waitFor({{"name", "tavenor.ime.port"}, {"value", "99999"}}));
    EXPECT_EQ(guest->control("rotate 90"), QStringLiteral("ok"));
}

TEST_F(GuestProcess, EndsCleanlyOnSigtermAndOnQuit)
{
    {
        auto guest = startGuest();
        ASSERT_TRUE(guest->terminate());
        EXPECT_EQ(guest->process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(guest->process().exitCode(), 0);
        EXPECT_FALSE(QFile::exists(guest->stateFile(QStringLiteral("control.sock"))));
        EXPECT_TRUE(guest->log().contains("tavenor-guest stopped"));
    }
    auto guest = startGuest();
    EXPECT_EQ(guest->control("quit"), QStringLiteral("ok"));
    ASSERT_TRUE(guest->waitForExit());
    EXPECT_EQ(guest->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(guest->process().exitCode(), 0);
}

// A guest whose machine folder is deleted under it (its owner gone) ends itself.
TEST_F(GuestProcess, EndsWhenItsStateFolderIsRemoved)
{
    const QString folder = m_dir.filePath(QStringLiteral("machine.sim"));
    ASSERT_TRUE(QDir().mkpath(folder));
    GuestRunner guest(folder, GuestRunner::Options{});
    ASSERT_TRUE(guest.start());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(guest.waitForExit());
    EXPECT_EQ(guest.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(guest.process().exitCode(), 0);
}

// Only this user may reach the guest through its control socket: 0600, in
// a folder the guest makes private even when it was given one open to all.
TEST_F(GuestProcess, ControlSocketIsPrivateToTheUser)
{
    const QString folder = m_dir.filePath(QStringLiteral("machine.sim"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    GuestRunner guest(folder, GuestRunner::Options{});
    ASSERT_TRUE(guest.start());
    // Answered once the guest has finished setting up the socket.
    ASSERT_EQ(guest.control("rotate 0"), QStringLiteral("ok"));
    const auto modeOf = [](const QString &path) {
        struct stat info = {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
    };
    EXPECT_EQ(modeOf(folder), S_IFDIR | 0700u);
    EXPECT_EQ(modeOf(guest.stateFile(QStringLiteral("control.sock"))), S_IFSOCK | 0600u);
}

// A socket file left behind by a guest that was killed does not stop the next one.
TEST_F(GuestProcess, ReplacesAStaleControlSocket)
{
    {
        auto killed = startGuest();
        killed->process().kill();
        ASSERT_TRUE(killed->waitForExit());
    }
    ASSERT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("control.sock"))));
    auto guest = startGuest();
    EXPECT_EQ(guest->control("rotate 180"), QStringLiteral("ok"));
}

TEST(GuestCommandLine, RefusesBadArgumentsWithUsage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList cases[] = {
        {},
        {QStringLiteral("--fps"), QStringLiteral("0"), dir.path()},
        {QStringLiteral("--colour"), QStringLiteral("blue"), dir.path()},
        {dir.filePath(QStringLiteral("missing"))},
    };
    for (const QStringList &arguments : cases) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(GuestRunner::program(), arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2) << qPrintable(arguments.join(' '));
        EXPECT_FALSE(process.readAll().isEmpty());
    }
}

} // namespace
