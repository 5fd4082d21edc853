// The handle table is process-wide and only ever grows, so these tests run
// in this binary of their own and in the order written: the first one sees
// an untouched table, later ones fill it.

#include "handle_table.h"
#include "support/guest_peer.h"

#include <service/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <string>
#include <vector>

using namespace service_test;

namespace {

// Ports 20000-20099 belong to this binary.
constexpr int kPortBase = 20000;

int openDescriptors()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (readdir(dir) != nullptr)
        ++count;
    closedir(dir);
    return count;
}

void expectBadHandle(int result, const char *what)
{
    EXPECT_EQ(result, -1) << what;
    EXPECT_EQ(errno, EBADF) << what;
}

} // namespace

TEST(HandleTable, FirstHandlesAreNumberedFrom100AndLabelled)
{
    init_winsock();
    const int stream = socket_inaddr_any_server(kPortBase, SERVICE_SOCKET_STREAM);
    const int datagram = socket_inaddr_any_server(kPortBase + 1, SERVICE_SOCKET_DATAGRAM);
    const int loopback = socket_loopback_server(kPortBase + 2, SERVICE_SOCKET_STREAM);
    const int client = socket_network_client("127.0.0.1", kPortBase + 2, SERVICE_SOCKET_STREAM);

    EXPECT_EQ(stream, 100);
    EXPECT_EQ(datagram, 101);
    EXPECT_EQ(loopback, 102);
    EXPECT_EQ(client, 103);
    EXPECT_STREQ(service::handleLabel(stream), "100(any-server:20000)");
    EXPECT_STREQ(service::handleLabel(datagram), "101(any-server:udp20001)");
    EXPECT_STREQ(service::handleLabel(loopback), "102(loopback-server:20002)");
    EXPECT_STREQ(service::handleLabel(client), "103(net-client:20002)");

    const int accepted = box_accept(loopback, nullptr, nullptr);
    EXPECT_EQ(accepted, 104);
    EXPECT_STREQ(service::handleLabel(accepted), "") << "accepted handles get no label";

    for (const int handle : {stream, datagram, loopback, client, accepted})
        EXPECT_EQ(box_close(handle), 0);
}

TEST(HandleTable, HandlesOutsideTheHandedOutRangeAreBad)
{
    char byte = 0;
    const int highWater = service::handleHighWaterMark();
    ASSERT_EQ(highWater, 5);

    expectBadHandle(box_read(99, &byte, 1), "below 100");
    expectBadHandle(box_read(100 + highWater, &byte, 1), "at the high-water mark");
    expectBadHandle(box_read(100, &byte, 1), "closed");
    expectBadHandle(box_write(100, &byte, 1), "write on closed");
    expectBadHandle(box_close(100), "close twice");
    expectBadHandle(box_shutdown(100), "shutdown on closed");
    expectBadHandle(box_accept(100, nullptr, nullptr), "accept on closed");

    fd_set set;
    FD_ZERO(&set);
    box_fd_set(&set, 100);
    EXPECT_EQ(box_fd_isset(&set, 100), 0);
}

TEST(HandleTable, FreshRecordsAreUsedBeforeFreedOnesUntilAllWereHandedOut)
{
    // Records 100-104 are free again, but the next handle is still a new one.
    const int handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM);
    EXPECT_EQ(handle, 105);
    EXPECT_EQ(box_close(handle), 0);
}

TEST(HandleTable, FullTableRefusesWithoutCreatingSockets)
{
    std::vector<int> handles;
    const int server = socket_loopback_server(kPortBase + 3, SERVICE_SOCKET_STREAM);
    ASSERT_EQ(server, 106);
    handles.push_back(server);
    for (;;) {
        const int handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM);
        if (handle < 0)
            break;
        handles.push_back(handle);
    }
    // 106..227 hold sockets; 100..105 are free and were taken by the loop too.
    EXPECT_EQ(handles.size(), 128u);
    EXPECT_EQ(service::handleHighWaterMark(), 128);
    EXPECT_NE(std::find(handles.begin(), handles.end(), 227), handles.end()) << "the 128th handle";

    const int descriptors = openDescriptors();
    EXPECT_EQ(socket_loopback_server(kPortBase + 4, SERVICE_SOCKET_STREAM), -1);
    EXPECT_EQ(socket_inaddr_any_server(kPortBase + 4, SERVICE_SOCKET_STREAM), -1);
    EXPECT_EQ(socket_network_client("127.0.0.1", kPortBase + 3, SERVICE_SOCKET_STREAM), -1);
    EXPECT_EQ(openDescriptors(), descriptors);

    // A pending connection is left pending while the table is full...
    guest::GuestSocket guest = connectGuest(kPortBase + 3);
    EXPECT_EQ(box_accept(server, nullptr, nullptr), -1);

    // ...and taken once a record is free again; freed records are reused.
    ASSERT_EQ(box_close(105), 0);
    EXPECT_EQ(box_accept(server, nullptr, nullptr), 105);
    ASSERT_EQ(box_close(105), 0);
    EXPECT_EQ(socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM), 105);

    for (const int handle : handles)
        box_close(handle);
}
