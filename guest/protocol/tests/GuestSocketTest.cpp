#include "LoopbackListener.h"

#include <guestproto/GuestSocket.h>
#include <guestproto/VirtualInputDecoder.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

using guest::GuestSocket;
using guest::ReadStatus;
using namespace std::chrono_literals;

namespace {

// Ports 23000-23099 belong to this file.
constexpr std::uint16_t kPortBase = 23000;

struct Pair {
    GuestSocket guestSide;
    GuestSocket hostSide;
};

Pair connectPair(LoopbackListener &listener, std::uint16_t port)
{
    Pair pair;
    pair.guestSide = GuestSocket::connectTo("127.0.0.1", port, 2s);
    pair.hostSide = listener.accept();
    return pair;
}

} // namespace

TEST(GuestSocket, ExchangesBytesBothWays)
{
    LoopbackListener listener(kPortBase + 1);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 1);
    ASSERT_TRUE(pair.guestSide.isOpen());
    ASSERT_TRUE(pair.hostSide.isOpen());

    const std::vector<std::uint8_t> out{0x00, 0x03, 0x24, 0x37, 0x00, 0x00, 0x00, 0x01};
    ASSERT_TRUE(pair.guestSide.sendAll(out));
    std::array<std::uint8_t, 8> in{};
    ASSERT_EQ(pair.hostSide.readExact(in.data(), in.size(), 2s), ReadStatus::Ok);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), out.begin()));

    ASSERT_TRUE(pair.hostSide.sendAll("abc", 3));
    std::array<char, 3> back{};
    ASSERT_EQ(pair.guestSide.readExact(back.data(), back.size(), 2s), ReadStatus::Ok);
    EXPECT_EQ(std::string(back.data(), 3), "abc");
}

TEST(GuestSocket, ReadExactGathersADribbledMessage)
{
    LoopbackListener listener(kPortBase + 2);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 2);
    ASSERT_TRUE(pair.hostSide.isOpen());

    std::thread writer([&] {
        for (std::uint8_t i = 0; i < 16; ++i) {
            pair.hostSide.sendAll(&i, 1);
            std::this_thread::sleep_for(2ms);
        }
    });
    std::array<std::uint8_t, 16> in{};
    EXPECT_EQ(pair.guestSide.readExact(in.data(), in.size(), 5s), ReadStatus::Ok);
    writer.join();
    for (std::uint8_t i = 0; i < 16; ++i)
        EXPECT_EQ(in[i], i);
}

TEST(GuestSocket, ShortStreamReportsClosed)
{
    LoopbackListener listener(kPortBase + 3);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 3);
    ASSERT_TRUE(pair.hostSide.sendAll("xyz", 3));
    pair.hostSide.close();

    std::array<char, 5> in{};
    EXPECT_EQ(pair.guestSide.readExact(in.data(), in.size(), 2s), ReadStatus::Closed);
}

TEST(GuestSocket, SilentPeerTimesOut)
{
    LoopbackListener listener(kPortBase + 4);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 4);
    ASSERT_TRUE(pair.hostSide.sendAll("x", 1));

    std::array<char, 4> in{};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(pair.guestSide.readExact(in.data(), in.size(), 100ms), ReadStatus::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 100ms);
    EXPECT_EQ(pair.guestSide.waitReadable(10ms), ReadStatus::TimedOut);
    EXPECT_TRUE(pair.guestSide.isOpen());
}

TEST(GuestSocket, ZeroLengthReadNeverWaits)
{
    LoopbackListener listener(kPortBase + 5);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 5);
    // With no bytes pending and no deadline, a recv of 0 bytes would block forever.
    EXPECT_EQ(pair.guestSide.readExact(nullptr, 0, GuestSocket::kNoTimeout), ReadStatus::Ok);
}

TEST(GuestSocket, SendToClosedPeerFailsWithoutSignal)
{
    LoopbackListener listener(kPortBase + 6);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 6);
    pair.hostSide.close();

    const std::vector<std::uint8_t> chunk(64 * 1024, 0xAB);
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i)
        failed = !pair.guestSide.sendAll(chunk);
    EXPECT_TRUE(failed);
    EXPECT_NE(pair.guestSide.lastError(), 0);
}

TEST(GuestSocket, ReadSomeReturnsWhatIsThere)
{
    LoopbackListener listener(kPortBase + 7);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 7);
    ASSERT_TRUE(pair.hostSide.sendAll("hello", 5));

    std::array<char, 64> in{};
    std::size_t total = 0;
    while (total < 5) {
        const guest::ReadSomeResult got = pair.guestSide.readSome(in.data() + total, in.size() - total, 2s);
        ASSERT_EQ(got.status, ReadStatus::Ok);
        total += got.bytes;
    }
    EXPECT_EQ(std::string(in.data(), total), "hello");
    EXPECT_EQ(pair.guestSide.readSome(in.data(), in.size(), 20ms).status, ReadStatus::TimedOut);
    pair.hostSide.close();
    EXPECT_EQ(pair.guestSide.readSome(in.data(), in.size(), 2s).status, ReadStatus::Closed);
}

TEST(GuestSocket, ConnectToNothingFails)
{
    const GuestSocket socket = GuestSocket::connectTo("127.0.0.1", kPortBase + 99, 1s);
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(socket.lastError(), ECONNREFUSED);
}

TEST(GuestSocket, MoveTransfersOwnership)
{
    LoopbackListener listener(kPortBase + 8);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 8);
    const guest::NativeSocket fd = pair.guestSide.fd();

    GuestSocket moved(std::move(pair.guestSide));
    EXPECT_FALSE(pair.guestSide.isOpen());
    EXPECT_EQ(moved.fd(), fd);

    GuestSocket assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(moved.isOpen());
    EXPECT_EQ(assigned.fd(), fd);
    EXPECT_TRUE(assigned.sendAll("q", 1));
}

TEST(GuestSocket, ClosedSocketRefusesEverything)
{
    GuestSocket socket;
    char byte = 0;
    EXPECT_FALSE(socket.isOpen());
    EXPECT_FALSE(socket.sendAll(&byte, 1));
    EXPECT_EQ(socket.readExact(&byte, 1, 10ms), ReadStatus::Error);
    EXPECT_EQ(socket.readSome(&byte, 1, 10ms).status, ReadStatus::Error);
    EXPECT_EQ(socket.waitReadable(10ms), ReadStatus::Error);
    EXPECT_FALSE(socket.setNoDelay());
}

TEST(GuestSocket, FeedsADecoderFromWhateverArrives)
{
    LoopbackListener listener(kPortBase + 9);
    ASSERT_TRUE(listener.ok());
    Pair pair = connectPair(listener, kPortBase + 9);
    ASSERT_TRUE(pair.hostSide.isOpen());

    const std::vector<std::uint8_t> stream{
        0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0xD0,
        0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01,
    };
    std::thread writer([&] {
        std::size_t sent = 0;
        for (std::size_t cut : {3u, 5u, 17u}) {
            pair.hostSide.sendAll(stream.data() + sent, cut - sent);
            sent = cut;
            std::this_thread::sleep_for(5ms);
        }
        pair.hostSide.sendAll(stream.data() + 17, stream.size() - 17);
    });
    guest::VirtualInputDecoder decoder;
    std::vector<guest::VirtualInputMessage> got;
    std::array<std::uint8_t, 4096> buffer{};
    while (got.size() < 2) {
        const guest::ReadSomeResult read = pair.guestSide.readSome(buffer.data(), buffer.size(), 2s);
        ASSERT_EQ(read.status, ReadStatus::Ok);
        ASSERT_TRUE(decoder.feed(buffer.data(), read.bytes));
        while (auto message = decoder.next())
            got.push_back(*message);
    }
    writer.join();
    const std::vector<guest::VirtualInputMessage> expected{guest::TouchConfig{1280, 720},
                                                           guest::MouseLeftButton{1}};
    EXPECT_EQ(got, expected);
}
