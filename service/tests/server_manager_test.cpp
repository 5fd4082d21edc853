#include "handle_table.h"
#include "server_manager_internal.h"
#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include <service/server_manager.h>
#include <service/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20300-20399 belong to this binary.
constexpr int kPortBase = 20300;

// What the test callbacks saw. Callbacks are plain function pointers, so
// their state lives here; the fixture resets it.
std::atomic<int> g_accepted{0};
std::atomic<int> g_lastAccepted{0};
std::atomic<int> g_readableCalls{0};
std::atomic<int> g_lastRead{-2};
std::atomic<int> g_acceptResult{0};
std::atomic<int> g_readableResult{1};

int recordAccept(int handle)
{
    g_lastAccepted = handle;
    ++g_accepted;
    return g_acceptResult;
}

// Reads one byte per call; the end of the stream ends the watching.
int readOneByte(int handle)
{
    char byte = 0;
    const int got = box_read(handle, &byte, 1);
    g_lastRead = got;
    ++g_readableCalls;
    return got > 0 ? g_readableResult.load() : 0;
}

// Reads an 8-byte message per call.
int readEightBytes(int handle)
{
    char message[8];
    g_lastRead = read_fully(handle, message, 8);
    ++g_readableCalls;
    return 1;
}

int countThreads()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/task");
    while (dirent *entry = readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
    return count;
}

class ServerManagerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LogCapture::install(); }

    void SetUp() override
    {
        g_accepted = 0;
        g_lastAccepted = 0;
        g_readableCalls = 0;
        g_lastRead = -2;
        g_acceptResult = 0;
        g_readableResult = 1;
        LogCapture::clear();
        server_manager_init();
    }

    void TearDown() override { server_manager_cleanup(); }

    // Connects a guest and waits until the manager has taken the connection.
    guest::GuestSocket connectAndWaitAccepted(int port)
    {
        const int before = g_accepted;
        guest::GuestSocket guest = connectGuest(static_cast<std::uint16_t>(port));
        EXPECT_TRUE(waitUntil([&] { return g_accepted > before; }));
        return guest;
    }
};

} // namespace

TEST_F(ServerManagerTest, LogsOnceAndSleepsWhileNoServerIsAdded)
{
    ASSERT_TRUE(LogCapture::waitFor("server list empty, wait new server"));
    const unsigned long passes = service::serverManagerLoopPasses();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(service::serverManagerLoopPasses(), passes);
    EXPECT_EQ(LogCapture::count("server list empty, wait new server"), 1);

    ASSERT_EQ(server_manager_add(kPortBase, recordAccept, readOneByte), 0);
    EXPECT_TRUE(LogCapture::waitFor("add new server 20300"));
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase);
}

TEST_F(ServerManagerTest, ServersAreReachableOnLoopbackOnly)
{
    ASSERT_EQ(server_manager_add(kPortBase + 16, recordAccept, readOneByte), 0);
    const std::string other = nonLoopbackAddress();
    if (!other.empty()) {
        guest::GuestSocket outside = guest::GuestSocket::connectTo(other, kPortBase + 16, 2s);
        EXPECT_FALSE(outside.isOpen()) << "reached through " << other;
    }
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 16);
}

TEST_F(ServerManagerTest, InitTwiceStartsOneLoopThread)
{
    const int threads = countThreads();
    server_manager_init();
    EXPECT_EQ(countThreads(), threads);
}

TEST_F(ServerManagerTest, TakenPortIsReported)
{
    const int taken = socket_loopback_server(kPortBase + 1, SERVICE_SOCKET_STREAM);
    EXPECT_EQ(server_manager_add(kPortBase + 1, recordAccept, readOneByte), -1);
    EXPECT_TRUE(LogCapture::waitFor("create server failed 20301"));
    box_close(taken);
}

TEST_F(ServerManagerTest, NegativeAcceptResultClosesTheConnectionAtOnce)
{
    g_acceptResult = -1;
    ASSERT_EQ(server_manager_add(kPortBase + 2, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 2);
    EXPECT_TRUE(waitClosed(guest));
    char byte = 0;
    EXPECT_EQ(box_read(g_lastAccepted, &byte, 1), -1);
    EXPECT_EQ(g_readableCalls, 0);
}

TEST_F(ServerManagerTest, ReadableCallbackSeesEachMessage)
{
    ASSERT_EQ(server_manager_add(kPortBase + 3, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 3);
    for (int i = 1; i <= 3; ++i) {
        sendBytes(guest, {0x01});
        EXPECT_TRUE(waitUntil([&] { return g_readableCalls == i; }));
    }
    // A guest that closes makes the connection readable once more.
    guest.close();
    EXPECT_TRUE(waitUntil([] { return g_readableCalls == 4 && g_lastRead == 0; }));
}

TEST_F(ServerManagerTest, ReadableResultZeroStopsWatchingButKeepsTheHandle)
{
    g_readableResult = 0;
    ASSERT_EQ(server_manager_add(kPortBase + 4, recordAccept, readOneByte), 0);
    ASSERT_EQ(server_manager_add(kPortBase + 5, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 4);
    const int handle = g_lastAccepted;
    sendBytes(guest, {0x01});
    ASSERT_TRUE(waitUntil([] { return g_readableCalls == 1; }));

    sendBytes(guest, {0x02});
    // A pass of the loop that certainly began after the second byte was
    // there: had the connection still been watched, it would have been
    // served before this accept.
    guest::GuestSocket other = connectAndWaitAccepted(kPortBase + 5);
    EXPECT_EQ(g_readableCalls, 1);

    EXPECT_EQ(box_write(handle, "x", 1), 1);
    expectBytes(guest, {'x'});
}

TEST_F(ServerManagerTest, RemovingAnUnknownPortChangesNothing)
{
    ASSERT_EQ(server_manager_add(kPortBase + 6, recordAccept, readOneByte), 0);
    server_manager_remove(kPortBase + 7);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 6);
}

TEST_F(ServerManagerTest, RemovedServerStopsListeningButKeepsItsConnections)
{
    ASSERT_EQ(server_manager_add(kPortBase + 8, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 8);
    server_manager_remove(kPortBase + 8);
    EXPECT_FALSE(guest::GuestSocket::connectTo("127.0.0.1", kPortBase + 8, 2s).isOpen());
    sendBytes(guest, {0x01});
    EXPECT_TRUE(waitUntil([] { return g_readableCalls == 1; }));
}

TEST_F(ServerManagerTest, ClientCloseClosesTheHandleAndStopsWatching)
{
    ASSERT_EQ(server_manager_add(kPortBase + 9, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 9);
    server_manager_client_close(g_lastAccepted);
    EXPECT_TRUE(waitClosed(guest));
    char byte = 0;
    EXPECT_EQ(box_read(g_lastAccepted, &byte, 1), -1);
    EXPECT_EQ(g_readableCalls, 0);
}

TEST_F(ServerManagerTest, AcceptedConnectionsSendAtOnceAndBoundTheirReads)
{
    ASSERT_EQ(server_manager_add(kPortBase + 10, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 10);
    const int socket = service::nativeSocketOf(g_lastAccepted);
    int noDelay = 0;
    socklen_t length = sizeof noDelay;
    ASSERT_EQ(getsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length), 0);
    EXPECT_NE(noDelay, 0);
    timeval timeout{};
    length = sizeof timeout;
    ASSERT_EQ(getsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, &length), 0);
    EXPECT_EQ(timeout.tv_sec * 1000 + timeout.tv_usec / 1000,
              service::kGuestReceiveTimeout.count());
}

TEST_F(ServerManagerTest, HalfAMessageDoesNotHoldUpOtherServices)
{
    ASSERT_EQ(server_manager_add(kPortBase + 11, recordAccept, readEightBytes), 0);
    guest::GuestSocket stalled = connectAndWaitAccepted(kPortBase + 11);
    sendBytes(stalled, {0x01, 0x02, 0x03, 0x04});
    ASSERT_TRUE(waitUntil([] { return g_readableCalls == 1; }, 15s))
        << "the read of the half message never ended";
    EXPECT_EQ(g_lastRead, 4) << "a short read";

    // The loop goes on serving the others.
    ASSERT_EQ(server_manager_add(kPortBase + 12, recordAccept, readEightBytes), 0);
    guest::GuestSocket other = connectAndWaitAccepted(kPortBase + 12);
    sendBytes(other, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_TRUE(waitUntil([] { return g_readableCalls == 2 && g_lastRead == 8; }));
}

TEST_F(ServerManagerTest, ServesDescriptorsBeyondTheSelectLimit)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max < FD_SETSIZE + 64)
        GTEST_SKIP() << "descriptor limit below " << FD_SETSIZE + 64;
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, FD_SETSIZE + 64);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);

    // Fill the low descriptors so that the server and its connection get
    // descriptors that an fd_set cannot hold.
    std::vector<int> filler;
    for (int fd = dup(0); fd >= 0 && fd < FD_SETSIZE + 8; fd = dup(0))
        filler.push_back(fd);
    ASSERT_EQ(server_manager_add(kPortBase + 13, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 13);
    EXPECT_GE(service::nativeSocketOf(g_lastAccepted), FD_SETSIZE);
    sendBytes(guest, {0x01});
    EXPECT_TRUE(waitUntil([] { return g_readableCalls == 1 && g_lastRead == 1; }));
    for (const int fd : filler)
        close(fd);
}

TEST_F(ServerManagerTest, FullHandleTableLeavesTheLoopIdle)
{
    ASSERT_EQ(server_manager_add(kPortBase + 14, recordAccept, readOneByte), 0);
    std::vector<int> filler;
    for (int handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM); handle > 0;
         handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM))
        filler.push_back(handle);

    // The connection waits in the backlog while no record is free.
    guest::GuestSocket guest = connectGuest(kPortBase + 14);
    const unsigned long passes = service::serverManagerLoopPasses();
    std::this_thread::sleep_for(1s);
    // A loop that retried at once would make many thousands of passes.
    EXPECT_LT(service::serverManagerLoopPasses() - passes, 20u);
    EXPECT_EQ(g_accepted, 0);

    box_close(filler.back());
    filler.pop_back();
    EXPECT_TRUE(waitUntil([] { return g_accepted == 1; }));
    for (const int handle : filler)
        box_close(handle);
}

TEST_F(ServerManagerTest, CleanupEndsTheLoopAndClosesEverything)
{
    ASSERT_EQ(server_manager_add(kPortBase + 15, recordAccept, readOneByte), 0);
    guest::GuestSocket guest = connectAndWaitAccepted(kPortBase + 15);
    const int threads = countThreads();
    server_manager_cleanup();
    EXPECT_EQ(countThreads(), threads - 1);
    EXPECT_TRUE(waitClosed(guest));
    EXPECT_FALSE(guest::GuestSocket::connectTo("127.0.0.1", kPortBase + 15, 2s).isOpen());
}
