#include "connection_writer.h"
#include "support/accepted_connection.h"
#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include <service/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

using namespace service_test;
using namespace std::chrono_literals;
using service::ConnectionWriter;

namespace {

// Ports 20200-20299 belong to this binary.
constexpr int kPortBase = 20200;

// 8-byte test messages: sender number, sequence number.
Bytes tagged(int sender, int sequence)
{
    return ints({sender, sequence});
}

class ConnectionWriterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LogCapture::install(); }
};

} // namespace

TEST_F(ConnectionWriterTest, KeepsEachSendersOrderAcrossThreads)
{
    AcceptedConnection connection(kPortBase);
    ConnectionWriter writer(connection.handle);
    constexpr int kSenders = 4;
    constexpr int kPerSender = 5000;

    std::vector<std::thread> senders;
    for (int sender = 0; sender < kSenders; ++sender) {
        senders.emplace_back([&writer, sender] {
            for (int sequence = 0; sequence < kPerSender; ++sequence) {
                const Bytes message = tagged(sender, sequence);
                writer.post(message.data(), static_cast<int>(message.size()));
            }
        });
    }
    std::map<int, int> next;
    for (int i = 0; i < kSenders * kPerSender; ++i) {
        const Bytes message = readBytes(connection.guest, 8);
        ASSERT_EQ(message.size(), 8u);
        const int sender = message[3];
        const int sequence = message[4] << 24 | message[5] << 16 | message[6] << 8 | message[7];
        ASSERT_EQ(sequence, next[sender]) << "sender " << sender;
        next[sender] = sequence + 1;
    }
    for (std::thread &sender : senders)
        sender.join();
}

TEST_F(ConnectionWriterTest, ReportsWhatWasWrittenOfEachMessage)
{
    AcceptedConnection connection(kPortBase + 1);
    ConnectionWriter writer(connection.handle);
    std::atomic<int> first{-1};
    std::atomic<int> second{-1};
    const Bytes message = tagged(1, 2);
    writer.post(message.data(), 8, [&first](int written) { first = written; });
    writer.post(message.data(), 4, [&second](int written) { second = written; });
    EXPECT_TRUE(waitUntil([&] { return first >= 0 && second >= 0; }));
    EXPECT_EQ(first, 8);
    EXPECT_EQ(second, 4);
    expectBytes(connection.guest, tagged(1, 2) + Bytes{0x00, 0x00, 0x00, 0x01});
}

TEST_F(ConnectionWriterTest, ReportsAShortWriteOnceTheGuestHasGone)
{
    AcceptedConnection connection(kPortBase + 2);
    ConnectionWriter writer(connection.handle);
    connection.guest.close();
    std::vector<char> chunk(65536, 'x');
    std::atomic<int> lastWritten{-1};
    // Buffered writes may still succeed for a while after the close.
    EXPECT_TRUE(waitUntil([&] {
        writer.post(chunk.data(), static_cast<int>(chunk.size()),
                    [&lastWritten](int written) { lastWritten = written; });
        return lastWritten >= 0 && lastWritten < static_cast<int>(chunk.size());
    }));
}

TEST_F(ConnectionWriterTest, CallerNeverBlocksOnAGuestThatDoesNotRead)
{
    AcceptedConnection connection(kPortBase + 3);
    ConnectionWriter writer(connection.handle);
    // Far more than the socket buffers hold.
    std::vector<char> chunk(65536, 'x');
    auto posting = std::async(std::launch::async, [&] {
        for (int i = 0; i < 256; ++i)
            writer.post(chunk.data(), static_cast<int>(chunk.size()));
    });
    EXPECT_EQ(posting.wait_for(10s), std::future_status::ready);
    posting.wait();
}

TEST_F(ConnectionWriterTest, DropsMessagesBeyondTheBacklogBound)
{
    AcceptedConnection connection(kPortBase + 4);
    ConnectionWriter writer(connection.handle, 1 << 20);
    std::vector<char> chunk(65536, 'x');
    bool refused = false;
    for (int i = 0; i < 10000 && !refused; ++i) {
        refused = !writer.post(chunk.data(), static_cast<int>(chunk.size()));
        if (!refused && i % 64 == 63)
            std::this_thread::sleep_for(1ms); // let the writer fill the socket
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(LogCapture::waitFor("guest not reading, message dropped"));
}

TEST_F(ConnectionWriterTest, CloseEndsAWriteBlockedOnAGuestThatDoesNotRead)
{
    AcceptedConnection connection(kPortBase + 5);
    ConnectionWriter writer(connection.handle);
    std::vector<char> chunk(1 << 20, 'x');
    for (int i = 0; i < 32; ++i)
        writer.post(chunk.data(), static_cast<int>(chunk.size()));
    auto closing = std::async(std::launch::async, [&writer] { writer.close(); });
    EXPECT_EQ(closing.wait_for(10s), std::future_status::ready);
    closing.wait();
    EXPECT_FALSE(writer.post(chunk.data(), 1)) << "closed writers take nothing";
}

TEST_F(ConnectionWriterTest, IdleConnectionSendsOnTheCallersThreadAndABacklogKeepsTheOrder)
{
    AcceptedConnection connection(kPortBase + 6);
    ConnectionWriter writer(connection.handle);
    const std::thread::id caller = std::this_thread::get_id();

    // Idle: the message is written inside the call, on the caller's thread.
    int written = -1;
    std::thread::id writtenOn;
    const Bytes first = tagged(0, 0);
    writer.post(first.data(), 8, [&](int count) {
        written = count;
        writtenOn = std::this_thread::get_id();
    });
    EXPECT_EQ(written, 8);
    EXPECT_EQ(writtenOn, caller);
    expectBytes(connection.guest, first);

    // A guest that does not read fills the socket: what it cannot take is
    // queued, and everything still arrives in order and whole.
    constexpr int kMessages = 32768;
    constexpr int kSize = 1024;
    std::atomic<int> complete{0};
    std::atomic<int> queued{0};
    for (int sequence = 0; sequence < kMessages; ++sequence) {
        Bytes message = tagged(1, sequence);
        message.resize(kSize, 0xEE);
        writer.post(message.data(), kSize, [&complete, &queued, caller](int count) {
            complete += count == kSize ? 1 : 0;
            queued += std::this_thread::get_id() != caller ? 1 : 0;
        });
    }
    for (int sequence = 0; sequence < kMessages; ++sequence) {
        const Bytes message = readBytes(connection.guest, kSize);
        ASSERT_EQ(message.size(), std::size_t(kSize));
        ASSERT_EQ(Bytes(message.begin(), message.begin() + 8), tagged(1, sequence));
    }
    EXPECT_TRUE(waitUntil([&complete] { return complete == kMessages; }));
    EXPECT_GT(queued, 0) << "the socket never filled up";
}
