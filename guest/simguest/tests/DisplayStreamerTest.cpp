// The display stream against a plain listener playing the renderer: hello,
// then frames of the newest published screen at the frame rate, with the
// rotation in each header; reconnects when dropped or moved.
// Ports 23450-23469 belong to this file.

#include "DisplayStreamer.h"
#include "EventLog.h"
#include "EventLogReader.h"
#include "HostListener.h"

#include <guestproto/FrameHeaderCheck.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t kPortBase = 23450;

TEST(DisplayAddress, ParsesHostAndPort)
{
    const auto address = DisplayStreamer::parseAddress("127.0.0.1:22468");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "127.0.0.1");
    EXPECT_EQ(address->port, 22468);
    EXPECT_EQ(DisplayStreamer::parseAddress("localhost:1")->port, 1);
    for (const char *bad :
         {"", "127.0.0.1", "127.0.0.1:", ":80", "127.0.0.1:0", "127.0.0.1:65536",
          "127.0.0.1:99999999999", "127.0.0.1:8o", "127.0.0.1:-1", "127.0.0.1: 80"})
        EXPECT_FALSE(DisplayStreamer::parseAddress(bad)) << bad;
}

QImage solid(QColor colour, QSize size = QSize(64, 32))
{
    QImage image(size, QImage::Format_RGBA8888);
    image.fill(colour);
    return image;
}

struct ReceivedFrame
{
    guest::FrameInfo info;
    std::vector<std::uint8_t> pixels;
};

std::optional<ReceivedFrame> readFrame(guest::GuestSocket &renderer)
{
    std::uint8_t header[32];
    if (renderer.readExact(header, sizeof header, 5s) != guest::ReadStatus::Ok)
        return std::nullopt;
    std::string reason;
    const auto info = guest::decodeFrameHeader(header, sizeof header, &reason);
    EXPECT_TRUE(info) << reason;
    if (!info)
        return std::nullopt;
    ReceivedFrame frame{*info, std::vector<std::uint8_t>(guest::framePayloadSize(*info))};
    if (renderer.readExact(frame.pixels.data(), frame.pixels.size(), 5s) != guest::ReadStatus::Ok)
        return std::nullopt;
    return frame;
}

bool readHello(guest::GuestSocket &renderer)
{
    std::uint8_t hello[8];
    return renderer.readExact(hello, sizeof hello, 5s) == guest::ReadStatus::Ok &&
           guest::checkFrameStreamHello(hello, sizeof hello);
}

class DisplayStreamerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = std::make_unique<EventLog>(m_dir.filePath(QStringLiteral("events.jsonl")));
        m_streamer = std::make_unique<DisplayStreamer>(*m_log, 30);
        m_streamer->start();
    }

    void TearDown() override { m_streamer->stop(); }

    EventLogReader events() const
    {
        return EventLogReader(m_dir.filePath(QStringLiteral("events.jsonl")));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<EventLog> m_log;
    std::unique_ptr<DisplayStreamer> m_streamer;
};

TEST_F(DisplayStreamerTest, StreamsTheNewestScreenWithItsRotation)
{
    HostListener renderer("127.0.0.1", kPortBase);
    ASSERT_TRUE(renderer.ok());
    m_streamer->publish(solid(Qt::red), 0);
    m_streamer->setAddress({"127.0.0.1", renderer.port()});
    guest::GuestSocket connection = renderer.accept();
    ASSERT_TRUE(connection.isOpen());
    ASSERT_TRUE(readHello(connection));
    auto frame = readFrame(connection);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->info.width, 64u);
    EXPECT_EQ(frame->info.height, 32u);
    EXPECT_EQ(frame->info.rotation, 0u);
    EXPECT_NE(frame->info.sentAtUs, 0u);
    EXPECT_EQ((std::vector<std::uint8_t>(frame->pixels.begin(), frame->pixels.begin() + 4)),
              (std::vector<std::uint8_t>{255, 0, 0, 255}));

    // The same screen keeps coming at the frame rate until a new one is published.
    const auto repeated = readFrame(connection);
    ASSERT_TRUE(repeated);
    EXPECT_GT(repeated->info.sentAtUs, frame->info.sentAtUs);

    m_streamer->publish(solid(Qt::blue), 90);
    for (int i = 0; i < 30 && frame && frame->info.rotation != 90; ++i)
        frame = readFrame(connection);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->info.rotation, 90u);
    EXPECT_EQ(frame->pixels[2], 255);
    const auto first =
        events().waitFor({{"agent", "gl"}, {"type", "frame"}, {"rotation", 0}, {"w", 64}});
    ASSERT_TRUE(first);
    EXPECT_TRUE(
        events().waitFor({{"agent", "gl"}, {"type", "frame"}, {"rotation", 90}}, *first + 1));
    EXPECT_EQ(events().countOf({{"type", "frame"}}), 2)
        << "logged when size or rotation changes, not per frame";
}

TEST_F(DisplayStreamerTest, DropAndANewAddressReconnect)
{
    HostListener first("127.0.0.1", kPortBase + 1);
    HostListener second("127.0.0.1", kPortBase + 2);
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_FALSE(m_streamer->drop());
    m_streamer->publish(solid(Qt::green), 0);
    m_streamer->setAddress({"127.0.0.1", first.port()});
    guest::GuestSocket connection = first.accept();
    ASSERT_TRUE(connection.isOpen());
    ASSERT_TRUE(readHello(connection));
    ASSERT_TRUE(events().waitFor({{"type", "connected"}, {"link", "gl"}}));
    EXPECT_TRUE(m_streamer->drop());
    connection = first.accept();
    ASSERT_TRUE(connection.isOpen());
    ASSERT_TRUE(readHello(connection)) << "every connection starts with the hello";
    m_streamer->setAddress({"127.0.0.1", second.port()});
    guest::GuestSocket moved = second.accept();
    ASSERT_TRUE(moved.isOpen());
    EXPECT_TRUE(readHello(moved));
    EXPECT_TRUE(events().waitFor({{"type", "disconnected"}, {"reason", "the address changed"}}));
}

// A renderer that never reads blocks the frame writes; stopping still ends them.
TEST_F(DisplayStreamerTest, StopEndsAFrameWriteTheRendererNeverReads)
{
    HostListener renderer("127.0.0.1", kPortBase + 3);
    ASSERT_TRUE(renderer.ok());
    m_streamer->publish(solid(Qt::white, QSize(1280, 720)), 0);
    m_streamer->setAddress({"127.0.0.1", renderer.port()});
    guest::GuestSocket connection = renderer.accept();
    ASSERT_TRUE(connection.isOpen());
    ASSERT_EQ(connection.waitReadable(5s), guest::ReadStatus::Ok);
    const auto before = std::chrono::steady_clock::now();
    m_streamer->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

} // namespace
