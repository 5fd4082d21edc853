// tavenor-guest against raw hosts on the fixed service ports of 127.0.0.2
// (the service library keeps to 127.0.0.1): the exact bytes it sends, how
// its screen's buttons act, and hostile bytes from each host service, which
// end that one connection (logged) and never the guest.

#include "Eventually.h"
#include "GuestRunner.h"
#include "HostListener.h"
#include "ScreenGeometry.h"
#include "ScreenLayout.h"
#include "TestZip.h"

#include <SimStateFormat.h>

#include <guestproto/WireCodes.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const char kRawHost[] = "127.0.0.2";
constexpr std::uint16_t kImePort = 23470;

Bytes ints(std::initializer_list<std::int32_t> values)
{
    Bytes bytes;
    for (std::int32_t value : values) {
        const auto u = static_cast<std::uint32_t>(value);
        bytes.insert(bytes.end(), {std::uint8_t(u >> 24), std::uint8_t(u >> 16),
                                   std::uint8_t(u >> 8), std::uint8_t(u)});
    }
    return bytes;
}

Bytes withText(Bytes bytes, const std::string &text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

Bytes readBytes(guest::GuestSocket &socket, std::size_t size)
{
    Bytes bytes(size);
    if (socket.readExact(bytes.data(), size, 10s) != guest::ReadStatus::Ok)
        return {};
    return bytes;
}

bool seesEnd(guest::GuestSocket &socket)
{
    std::uint8_t byte = 0;
    return socket.readExact(&byte, 1, 10s) == guest::ReadStatus::Closed;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class RawHost : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (HostListener *listener : {&m_vinput, &m_misc, &m_clipboard, &m_ime})
            ASSERT_TRUE(listener->ok()) << "port " << listener->port();
        writeFile(m_dir.filePath(QStringLiteral("properties")),
                  QByteArray::fromStdString(
                      simstate::formatEntries({{"tavenor.ime.port", std::to_string(kImePort)}})));
        GuestRunner::Options options;
        options.host = QString::fromLatin1(kRawHost);
        m_guest = std::make_unique<GuestRunner>(m_dir.path(), options);
        ASSERT_TRUE(m_guest->start()) << m_guest->log().constData();
        m_vinputPeer = m_vinput.accept();
        m_miscPeer = m_misc.accept();
        m_clipboardPeer = m_clipboard.accept();
        m_imePeer = m_ime.accept();
        ASSERT_TRUE(m_vinputPeer.isOpen() && m_miscPeer.isOpen() && m_clipboardPeer.isOpen() &&
                    m_imePeer.isOpen());
        ASSERT_EQ(readBytes(m_miscPeer, 8), ints({guest::misc::kGuestReady, 1}))
            << "guest ready after the boot";
    }

    void TearDown() override
    {
        ASSERT_TRUE(m_guest->terminate());
        EXPECT_EQ(m_guest->process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(m_guest->process().exitCode(), 0) << m_guest->log().constData();
    }

    EventLogReader events() const { return m_guest->events(); }

    // Sends a touch down and up at a point of the landscape layout.
    void touch(QPoint point)
    {
        ASSERT_TRUE(
            m_vinputPeer.sendAll(ints({guest::vinput::kTouch, 16, point.x(), point.y(), 1, 0})));
        ASSERT_TRUE(
            m_vinputPeer.sendAll(ints({guest::vinput::kTouch, 16, point.x(), point.y(), 1, 1})));
    }

    QTemporaryDir m_dir;
    HostListener m_vinput{kRawHost, guest::kVirtualInputPort};
    HostListener m_misc{kRawHost, guest::kMiscPort};
    HostListener m_clipboard{kRawHost, guest::kClipboardPort};
    HostListener m_ime{kRawHost, kImePort};
    std::unique_ptr<GuestRunner> m_guest;
    guest::GuestSocket m_vinputPeer;
    guest::GuestSocket m_miscPeer;
    guest::GuestSocket m_clipboardPeer;
    guest::GuestSocket m_imePeer;
};

TEST_F(RawHost, AnswersEngineSwitchesAndReportsWhatTheUserDoes)
{
    ASSERT_TRUE(m_miscPeer.sendAll(ints({guest::misc::kEngine, 1, 1})));
    EXPECT_EQ(readBytes(m_miscPeer, 12), ints({guest::misc::kEngine, 1, 1}));
    // An unchanged state is not reported: the next report is the change.
    ASSERT_TRUE(m_miscPeer.sendAll(ints({guest::misc::kEngine, 1, 1})));
    ASSERT_TRUE(m_miscPeer.sendAll(ints({guest::misc::kEngine, 1, 0})));
    EXPECT_EQ(readBytes(m_miscPeer, 12), ints({guest::misc::kEngine, 1, 0}));
    EXPECT_EQ(m_guest->control("engine 0"), QStringLiteral("ok"));

    EXPECT_EQ(m_guest->control("mouselock 1"), QStringLiteral("ok"));
    EXPECT_EQ(readBytes(m_miscPeer, 16), ints({guest::misc::kMouseLock, 1, 4, 1}));
    EXPECT_EQ(m_guest->control("engine 1"), QStringLiteral("ok"));
    EXPECT_EQ(readBytes(m_miscPeer, 12), ints({guest::misc::kEngine, 1, 1}));
    EXPECT_EQ(m_guest->control("ready"), QStringLiteral("ok"));
    EXPECT_EQ(readBytes(m_miscPeer, 8), ints({guest::misc::kGuestReady, 1}));
    EXPECT_EQ(m_guest->control("clipboard caf\xc3\xa9"), QStringLiteral("ok"));
    EXPECT_EQ(readBytes(m_clipboardPeer, 13),
              withText(ints({guest::kClipboardCode, 5}), "caf\xc3\xa9"));
    EXPECT_TRUE(events().waitFor({{"agent", "clipboard"},
                                  {"dir", "out"},
                                  {"type", "clipboard"},
                                  {"text", QString::fromUtf8("caf\xc3\xa9")}}));
    EXPECT_TRUE(events().waitFor(
        {{"agent", "misc"}, {"dir", "out"}, {"type", "mouse_lock"}, {"value", 1}}));
    EXPECT_TRUE(events().waitFor(
        {{"agent", "misc"}, {"dir", "out"}, {"type", "engine_state"}, {"enabled", 0}}));
}

// The buttons a touch presses, at the places the screen draws them.
TEST_F(RawHost, TouchesPressTheScreensButtons)
{
    const ScreenLayout layout = ScreenLayout::forSize(QSize(1280, 720));
    // Type "hi", then copy it to the host.
    for (int scan : {35, 23})
        ASSERT_TRUE(m_vinputPeer.sendAll(ints({guest::vinput::kKey, 12, scan, 0, 0})));
    touch(layout.copyButton.center());
    EXPECT_EQ(readBytes(m_clipboardPeer, 10), withText(ints({guest::kClipboardCode, 2}), "hi"));

    // The game allows the mouse to be locked; Back leaves it and takes that back.
    touch(layout.gameButton.center());
    EXPECT_EQ(readBytes(m_miscPeer, 16), ints({guest::misc::kMouseLock, 1, 4, 1}));
    ASSERT_TRUE(m_vinputPeer.sendAll(ints({guest::vinput::kKey, 12, 158, 0, 0})));
    EXPECT_EQ(readBytes(m_miscPeer, 16), ints({guest::misc::kMouseLock, 1, 4, 0}));

    touch(layout.rotateButton.center());
    EXPECT_TRUE(events().waitFor({{"agent", "guest"}, {"type", "rotate"}, {"degrees", 90}}));
    // Turned, the rotate button is elsewhere in the natural frame.
    const ScreenLayout portrait = ScreenLayout::forSize(QSize(720, 1280));
    touch(screen::layoutToFrame(90).map(portrait.rotateButton.center()));
    EXPECT_TRUE(events().waitFor({{"agent", "guest"}, {"type", "rotate"}, {"degrees", 180}}));
}

TEST_F(RawHost, InstallRequestsAreAnsweredFromTheSharedFolder)
{
    QTemporaryDir apks;
    ASSERT_TRUE(apks.isValid());
    writeFile(apks.filePath(QStringLiteral("game.apk")),
              testzip::make({{"AndroidManifest.xml",
                              testzip::manifest(QStringLiteral("com.example.game"))}}));
    writeFile(
        m_dir.filePath(QStringLiteral("shares")),
        QByteArray::fromStdString(simstate::formatEntries({{"apk", apks.path().toStdString()}})));

    ASSERT_TRUE(m_miscPeer.sendAll(withText(ints({guest::misc::kInstall, 1, 8}), "game.apk")));
    EXPECT_EQ(readBytes(m_miscPeer, 28),
              withText(ints({guest::misc::kInstall, 1, 16}), "com.example.game"));

    const std::string escape = "../../game.apk";
    ASSERT_TRUE(m_miscPeer.sendAll(
        withText(ints({guest::misc::kInstall, 1, std::int32_t(escape.size())}), escape)));
    const Bytes header = readBytes(m_miscPeer, 12);
    ASSERT_EQ(header.size(), 12u);
    EXPECT_EQ(Bytes(header.begin(), header.begin() + 8), ints({guest::misc::kInstall, -3}));
    const std::size_t length = (std::size_t(header[10]) << 8) | header[11];
    const Bytes reason = readBytes(m_miscPeer, length);
    EXPECT_EQ(std::string(reason.begin(), reason.end()), "not a plain file name: ../../game.apk");
    EXPECT_TRUE(events().waitFor(
        {{"type", "install_result"}, {"result", 1}, {"text", "com.example.game"}}));
    EXPECT_TRUE(events().waitFor({{"type", "install_result"}, {"result", -3}}));
}

struct HostileCase
{
    const char *name;
    const char *agent;
    Bytes bytes;
    const char *reason; // how the guest's log names the fault
};

void PrintTo(const HostileCase &c, std::ostream *out)
{
    *out << c.name;
}

const HostileCase kHostileCases[] = {
    {"unknown misc code", "misc", ints({205880, 1}), "unknown misc code 205880"},
    {"unknown engine sub-command", "misc", ints({guest::misc::kEngine, 9}),
     "unknown sub-command 9"},
    {"GPS text above the bound", "misc", ints({guest::misc::kGps, 3, 100000}), "exceeds the limit"},
    {"negative install file name length", "misc", ints({guest::misc::kInstall, 1, -8}),
     "negative length"},
    {"key with the wrong length", "vinput", ints({guest::vinput::kKey, 16, 30, 0, 0, 0}), ""},
    {"unused input code 5", "vinput", ints({5, 0}), ""},
    {"clipboard code other than 35", "clipboard", ints({36, 0}), ""},
    {"clipboard text far above the bound", "clipboard", ints({guest::kClipboardCode, 0x7fffffff}),
     "exceeds the limit"},
    {"negative input-method length", "ime", ints({-1}), "negative length"},
};

class RawHostHostile : public RawHost, public ::testing::WithParamInterface<HostileCase>
{
};

TEST_P(RawHostHostile, EndsThatConnectionAndReconnects)
{
    const HostileCase &c = GetParam();
    const std::string agent = c.agent;
    HostListener &listener = agent == "misc"        ? m_misc
                             : agent == "vinput"    ? m_vinput
                             : agent == "clipboard" ? m_clipboard
                                                    : m_ime;
    guest::GuestSocket &peer = agent == "misc"        ? m_miscPeer
                               : agent == "vinput"    ? m_vinputPeer
                               : agent == "clipboard" ? m_clipboardPeer
                                                      : m_imePeer;
    ASSERT_TRUE(peer.sendAll(c.bytes));
    EXPECT_TRUE(seesEnd(peer));
    const auto ended = events().waitFor({{"type", "disconnected"}, {"link", c.agent}});
    ASSERT_TRUE(ended);
    const QString reason = events().all().at(*ended).value("reason").toString();
    EXPECT_TRUE(reason.startsWith(QStringLiteral("malformed data from the host: ")))
        << qPrintable(reason);
    EXPECT_TRUE(reason.contains(QString::fromLatin1(c.reason))) << qPrintable(reason);

    guest::GuestSocket again = listener.accept();
    ASSERT_TRUE(again.isOpen()) << "the guest connects again";
    if (agent == "misc") {
        EXPECT_EQ(readBytes(again, 8), ints({guest::misc::kGuestReady, 1}))
            << "a booted guest greets every misc connection";
    }
    EXPECT_EQ(m_guest->control("rotate 90"), QStringLiteral("ok")) << "the guest carries on";
    EXPECT_EQ(m_guest->process().state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(HostileBytes, RawHostHostile, ::testing::ValuesIn(kHostileCases));

} // namespace
