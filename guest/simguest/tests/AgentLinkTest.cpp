// An agent's connection against a plain listener playing the host service:
// it connects, decodes in order, writes and logs what it sends, and after
// every way a connection can end it reconnects after a pause.
// Ports 23400-23449 belong to this file.

#include "AgentLink.h"
#include "EventLog.h"
#include "EventLogReader.h"
#include "Eventually.h"
#include "HostListener.h"

#include <guestproto/ClipboardDecoder.h>
#include <guestproto/GuestMessages.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kPortBase = 23400;
const char kHost[] = "127.0.0.1";

class AgentLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = std::make_unique<EventLog>(logPath());
        auto consumer =
            std::make_unique<DecodingConsumer<guest::ClipboardDecoder>>([this](std::string text) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.push_back(std::move(text));
            });
        AgentLink::Callbacks callbacks{[this] { ++m_connects; }, [this] { ++m_disconnects; }};
        m_link =
            std::make_unique<AgentLink>("clipboard", kHost, *m_log, std::move(consumer), callbacks);
        m_link->start();
    }

    void TearDown() override { m_link->stop(); }

    QString logPath() const { return m_dir.filePath(QStringLiteral("events.jsonl")); }
    EventLogReader events() const { return EventLogReader(logPath()); }

    std::vector<std::string> texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

    // Connects the link to listener and returns the host's end.
    guest::GuestSocket connectTo(HostListener &listener)
    {
        m_link->setPort(listener.port());
        guest::GuestSocket host = listener.accept();
        EXPECT_TRUE(host.isOpen());
        EXPECT_TRUE(eventually([this] { return m_link->isConnected(); }));
        return host;
    }

    static bool hostSeesEnd(guest::GuestSocket &host)
    {
        char byte = 0;
        return host.readExact(&byte, 1, 5s) == guest::ReadStatus::Closed;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<AgentLink> m_link;
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::atomic<int> m_connects{0};
    std::atomic<int> m_disconnects{0};
};

TEST_F(AgentLinkTest, WaitsForAPortThenDecodesInOrderAcrossSplits)
{
    HostListener listener(kHost, kPortBase);
    ASSERT_TRUE(listener.ok());
    EXPECT_FALSE(listener.accept(300).isOpen()) << "no port, no connection";
    guest::GuestSocket host = connectTo(listener);
    EXPECT_TRUE(eventually([this] { return m_connects == 1; }));
    ASSERT_TRUE(events().waitFor({{"type", "connected"}, {"link", "clipboard"}}));

    guest::Bytes stream;
    for (const char *text : {"one", "", "three"}) {
        const guest::Bytes message = guest::encodeClipboard(text);
        stream.insert(stream.end(), message.begin(), message.end());
    }
    // Byte by byte: the decoder must not care how the stream is split.
    for (std::uint8_t byte : stream)
        ASSERT_TRUE(host.sendAll(&byte, 1));
    ASSERT_TRUE(eventually([this] { return texts().size() == 3; }));
    EXPECT_EQ(texts(), (std::vector<std::string>{"one", "", "three"}));
}

TEST_F(AgentLinkTest, SendsOnlyWhileConnectedAndLogsWhatWentOut)
{
    EXPECT_FALSE(m_link->send(guest::encodeClipboard("early"), "clipboard", {{"text", "early"}}));
    HostListener listener(kHost, kPortBase + 1);
    ASSERT_TRUE(listener.ok());
    guest::GuestSocket host = connectTo(listener);
    ASSERT_TRUE(m_link->send(guest::encodeClipboard("abc"), "clipboard", {{"text", "abc"}}));
    ASSERT_TRUE(m_link->send(guest::encodeClipboard("de"), "clipboard", {{"text", "de"}}));
    std::uint8_t received[21] = {};
    ASSERT_EQ(host.readExact(received, sizeof received, 5s), guest::ReadStatus::Ok);
    const std::uint8_t expected[21] = {0, 0, 0, 0x23, 0, 0, 0, 3, 'a', 'b', 'c',
                                       0, 0, 0, 0x23, 0, 0, 0, 2, 'd', 'e'};
    EXPECT_EQ(std::memcmp(received, expected, sizeof expected), 0);
    const auto first = events().waitFor({{"agent", "clipboard"}, {"dir", "out"}, {"text", "abc"}});
    ASSERT_TRUE(first);
    EXPECT_TRUE(
        events().waitFor({{"agent", "clipboard"}, {"dir", "out"}, {"text", "de"}}, *first + 1));
    EXPECT_EQ(events().countOf({{"text", "early"}}), 0);
}

TEST_F(AgentLinkTest, MalformedBytesEndTheConnectionAndItComesBack)
{
    HostListener listener(kHost, kPortBase + 2);
    ASSERT_TRUE(listener.ok());
    guest::GuestSocket host = connectTo(listener);
    const guest::Bytes good = guest::encodeClipboard("fine");
    ASSERT_TRUE(host.sendAll(good));
    // Code 36 is not a clipboard message; then a length far above the bound.
    const std::uint8_t bad[] = {0, 0, 0, 36, 0, 0, 0, 1, 'x'};
    ASSERT_TRUE(host.sendAll(bad, sizeof bad));
    EXPECT_TRUE(hostSeesEnd(host));
    const auto ended = events().waitFor({{"type", "disconnected"}, {"link", "clipboard"}});
    ASSERT_TRUE(ended);
    EXPECT_TRUE(events().all().at(*ended).value("reason").toString().startsWith(
        QStringLiteral("malformed data from the host: unknown")));
    EXPECT_EQ(texts(), std::vector<std::string>{"fine"});

    guest::GuestSocket again = listener.accept();
    ASSERT_TRUE(again.isOpen());
    const std::uint8_t huge[] = {0, 0, 0, 0x23, 0x7f, 0xff, 0xff, 0xff};
    ASSERT_TRUE(again.sendAll(huge, sizeof huge));
    EXPECT_TRUE(hostSeesEnd(again))
        << "a length above the bound is refused before its body arrives";
    EXPECT_TRUE(listener.accept().isOpen());
    EXPECT_GE(m_disconnects, 2);
}

TEST_F(AgentLinkTest, DropAndAClosingHostBothLeadToANewConnection)
{
    HostListener listener(kHost, kPortBase + 3);
    ASSERT_TRUE(listener.ok());
    guest::GuestSocket host = connectTo(listener);
    EXPECT_TRUE(m_link->drop());
    EXPECT_TRUE(hostSeesEnd(host));
    guest::GuestSocket second = listener.accept();
    ASSERT_TRUE(second.isOpen());
    EXPECT_TRUE(events().waitFor({{"type", "disconnected"}, {"reason", "dropped on request"}}));
    second.close();
    ASSERT_TRUE(listener.accept().isOpen());
    EXPECT_TRUE(events().waitFor({{"type", "disconnected"}, {"reason", "closed by the host"}}));
    EXPECT_TRUE(eventually([this] { return m_connects == 3; }));
}

TEST_F(AgentLinkTest, AHostThatKeepsClosingIsRetriedAtAPaceNotInALoop)
{
    HostListener listener(kHost, kPortBase + 4);
    ASSERT_TRUE(listener.ok());
    m_link->setPort(listener.port());
    const auto start = std::chrono::steady_clock::now();
    int accepted = 0;
    while (std::chrono::steady_clock::now() - start < 1s) {
        guest::GuestSocket host = listener.accept(100);
        accepted += host.isOpen() ? 1 : 0;
    }
    EXPECT_GE(accepted, 3);
    EXPECT_LE(accepted, 12) << "at most one attempt per 100 ms";
}

TEST_F(AgentLinkTest, ANewPortMovesTheConnection)
{
    HostListener first(kHost, kPortBase + 5);
    HostListener second(kHost, kPortBase + 6);
    ASSERT_TRUE(first.ok() && second.ok());
    guest::GuestSocket host = connectTo(first);
    m_link->setPort(second.port());
    EXPECT_TRUE(hostSeesEnd(host));
    EXPECT_TRUE(second.accept().isOpen());
    EXPECT_TRUE(events().waitFor({{"type", "disconnected"}, {"reason", "the port changed"}}));
}

// A host that stops reading fills the socket's buffers and blocks the
// agent's write; stopping must still end it promptly.
TEST_F(AgentLinkTest, StopEndsAWriteTheHostNeverReads)
{
    HostListener listener(kHost, kPortBase + 7);
    ASSERT_TRUE(listener.ok());
    guest::GuestSocket host = connectTo(listener);
    const std::string big(1 << 20, 'z');
    for (int i = 0; i < 64; ++i)
        m_link->send(guest::encodeClipboard(big), "clipboard");
    ASSERT_EQ(host.waitReadable(5s), guest::ReadStatus::Ok) << "the writer has started";
    const auto before = std::chrono::steady_clock::now();
    m_link->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_FALSE(m_link->isConnected());
}

} // namespace
