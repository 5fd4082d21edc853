#include "handle_table.h"
#include "support/accepted_connection.h"
#include "support/guest_peer.h"
#include "support/wait.h"

#include <service/socket.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <future>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20100-20199 belong to this binary.
constexpr int kPortBase = 20100;

std::string localAddressOf(int handle)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(service::nativeSocketOf(handle), reinterpret_cast<sockaddr *>(&address), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

bool raiseDescriptorLimit(rlim_t wanted)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max < wanted)
        return false;
    limit.rlim_cur = std::max(limit.rlim_cur, wanted);
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace

TEST(ReadFully, ReturnsWhatArrivedBeforeTheEndOfStream)
{
    AcceptedConnection connection(kPortBase);
    sendBytes(connection.guest, {0x01, 0x02, 0x03});
    connection.guest.close();

    char buffer[8] = {};
    EXPECT_EQ(read_fully(connection.handle, buffer, 8), 3);
    EXPECT_EQ(buffer[2], 0x03);
    EXPECT_EQ(box_read(connection.handle, buffer, 8), 0) << "end of stream";
}

TEST(ReadFully, GathersAMessageThatArrivesInPieces)
{
    AcceptedConnection connection(kPortBase + 1);
    std::thread sender([&connection] {
        sendBytes(connection.guest, {0x01, 0x02});
        std::this_thread::sleep_for(20ms);
        sendBytes(connection.guest, {0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
    });
    char buffer[8] = {};
    EXPECT_EQ(read_fully(connection.handle, buffer, 8), 8);
    EXPECT_EQ(buffer[7], 0x08);
    sender.join();
}

TEST(ReadFully, ZeroLengthReturnsAtOnceWithoutData)
{
    AcceptedConnection connection(kPortBase + 2);
    char buffer[1];
    // Nothing is ever sent: a receive call would wait for ever.
    auto result = std::async(std::launch::async, [&connection, &buffer] {
        return read_fully(connection.handle, buffer, 0);
    });
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(result.get(), 0);
    EXPECT_EQ(box_read(connection.handle, buffer, 0), 0);
}

TEST(WriteFully, ZeroLengthWritesNothing)
{
    AcceptedConnection connection(kPortBase + 3);
    char byte = 0x55;
    EXPECT_EQ(write_fully(connection.handle, &byte, 0), 0);
    EXPECT_EQ(write_fully(connection.handle, &byte, 1), 1);
    expectBytes(connection.guest, {0x55});
}

TEST(WriteFully, StopsShortWhenThePeerHasGoneWithoutASignal)
{
    AcceptedConnection connection(kPortBase + 4);
    connection.guest.close();
    std::vector<char> chunk(65536, 'x');
    // The first writes may still be buffered; a later one fails (EPIPE or
    // ECONNRESET) instead of raising SIGPIPE, which would end this process.
    bool shortWrite = false;
    for (int i = 0; i < 1000 && !shortWrite; ++i)
        shortWrite = write_fully(connection.handle, chunk.data(), static_cast<int>(chunk.size())) <
                     static_cast<int>(chunk.size());
    EXPECT_TRUE(shortWrite);
}

TEST(WriteFully, BadHandleWritesNothing)
{
    char byte = 0;
    EXPECT_EQ(write_fully(99, &byte, 1), 0);
    EXPECT_EQ(read_fully(99, &byte, 1), 0);
}

TEST(Shutdown, KeepsTheHandleOpen)
{
    AcceptedConnection connection(kPortBase + 5);
    EXPECT_EQ(box_shutdown(connection.handle), 0);
    EXPECT_TRUE(waitClosed(connection.guest));
    char byte = 0;
    EXPECT_EQ(box_read(connection.handle, &byte, 1), 0);
    EXPECT_EQ(box_close(connection.handle), 0);
    connection.handle = -1;
}

TEST(Servers, LoopbackServerListensOnLoopbackOnly)
{
    const int loopback = socket_loopback_server(kPortBase + 6, SERVICE_SOCKET_STREAM);
    const int any = socket_inaddr_any_server(kPortBase + 7, SERVICE_SOCKET_STREAM);
    ASSERT_GT(loopback, 0);
    ASSERT_GT(any, 0);
    EXPECT_EQ(localAddressOf(loopback), "127.0.0.1");
    EXPECT_EQ(localAddressOf(any), "0.0.0.0");

    const std::string other = nonLoopbackAddress();
    if (!other.empty()) {
        const int client =
            socket_network_client(other.c_str(), kPortBase + 6, SERVICE_SOCKET_STREAM);
        EXPECT_EQ(client, -1) << "reached the loopback server through " << other;
        EXPECT_EQ(errno, ECONNREFUSED);
        box_close(client);
    }
    box_close(loopback);
    box_close(any);
}

TEST(Servers, PortCanBeBoundAgainRightAfterConnectionsWereClosed)
{
    const int port = kPortBase + 8;
    {
        // The host closes first, so its end of the connection sits in
        // TIME_WAIT on the server's port.
        AcceptedConnection connection(port);
        sendBytes(connection.guest, {0x01});
        char byte = 0;
        ASSERT_EQ(read_fully(connection.handle, &byte, 1), 1);
    }
    const int again = socket_loopback_server(port, SERVICE_SOCKET_STREAM);
    EXPECT_GT(again, 0) << "errno " << errno;
    box_close(again);
}

TEST(Servers, TakenPortFailsAndFreesTheRecord)
{
    const int first = socket_loopback_server(kPortBase + 9, SERVICE_SOCKET_STREAM);
    ASSERT_GT(first, 0);
    const int highWater = service::handleHighWaterMark();
    EXPECT_EQ(socket_loopback_server(kPortBase + 9, SERVICE_SOCKET_STREAM), -1);
    EXPECT_EQ(errno, EADDRINUSE);
    // The failed constructor took a record and released it again.
    EXPECT_EQ(service::handleHighWaterMark(), highWater + 1);
    char byte = 0;
    EXPECT_EQ(box_read(100 + highWater, &byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
    box_close(first);
}

TEST(Clients, ConnectsByNameAndFailsForUnknownHosts)
{
    const int server = socket_loopback_server(kPortBase + 10, SERVICE_SOCKET_STREAM);
    const int client = socket_network_client("localhost", kPortBase + 10, SERVICE_SOCKET_STREAM);
    ASSERT_GT(client, 0);
    const int accepted = box_accept(server, nullptr, nullptr);
    ASSERT_GT(accepted, 0);
    EXPECT_EQ(write_fully(client, "ping", 4), 4);
    char text[4] = {};
    EXPECT_EQ(read_fully(accepted, text, 4), 4);
    EXPECT_EQ(std::string(text, 4), "ping");

    EXPECT_EQ(socket_network_client("no-such-host.invalid", 1, SERVICE_SOCKET_STREAM), -1);
    EXPECT_EQ(socket_network_client("127.0.0.1", kPortBase + 11, SERVICE_SOCKET_STREAM), -1);
    for (const int handle : {server, client, accepted})
        box_close(handle);
}

TEST(FdSet, AddsOnceAndHoldsAtMost64Sockets)
{
    std::vector<int> handles;
    for (int i = 0; i < 65; ++i) {
        handles.push_back(socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM));
        ASSERT_GT(handles.back(), 0);
    }
    fd_set set;
    FD_ZERO(&set);
    box_fd_set(&set, handles[0]);
    box_fd_set(&set, handles[0]);
    EXPECT_EQ(box_fd_isset(&set, handles[0]), 1);
    EXPECT_EQ(box_fd_isset(&set, handles[1]), 0);

    for (const int handle : handles)
        box_fd_set(&set, handle);
    int entries = 0;
    for (int fd = 0; fd < FD_SETSIZE; ++fd)
        entries += FD_ISSET(fd, &set) ? 1 : 0;
    EXPECT_EQ(entries, 64);
    EXPECT_EQ(box_fd_isset(&set, handles[63]), 1);
    EXPECT_EQ(box_fd_isset(&set, handles[64]), 0) << "a full set is not extended";

    for (const int handle : handles)
        box_close(handle);
}

TEST(FdSet, DescriptorsBeyondTheSetSizeAreNeverStored)
{
    if (!raiseDescriptorLimit(FD_SETSIZE + 64))
        GTEST_SKIP() << "descriptor limit below " << FD_SETSIZE + 64;
    const int handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM);
    ASSERT_GT(handle, 0);
    // Move the socket to a descriptor that fd_set cannot hold.
    const int moved = dup2(service::nativeSocketOf(handle), FD_SETSIZE + 20);
    ASSERT_EQ(moved, FD_SETSIZE + 20);
    close(service::recordOf(handle).socket.exchange(moved));

    fd_set set;
    FD_ZERO(&set);
    box_fd_set(&set, handle);
    EXPECT_EQ(box_fd_isset(&set, handle), 0);
    box_close(handle);
}
