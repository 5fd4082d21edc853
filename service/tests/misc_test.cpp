#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include <service/clipboard.h>
#include <service/gps.h>
#include <service/misc.h>
#include <service/server_manager.h>

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <mutex>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20500-20599 belong to this binary.
constexpr int kMiscPort = 20500;
constexpr int kClipboardPort = 20501;

struct Seen
{
    std::atomic<int> connected{0};
    std::atomic<int> mouseLockCalls{0};
    std::atomic<int> mouseLock{-1};
    std::atomic<int> engineCalls{0};
    std::atomic<int> engine{-1};
    std::atomic<int> clipboardTexts{0};
    std::atomic<int> disconnected{0};
    void *context = nullptr;
};

Seen g_seen;
std::atomic<void *> g_context{nullptr};

void onConnected(void *context)
{
    g_context = context;
    ++g_seen.connected;
}

void onMouseLock(void *context, int value)
{
    g_context = context;
    g_seen.mouseLock = value;
    ++g_seen.mouseLockCalls;
}

void onEngine(void *context, int enabled)
{
    g_context = context;
    g_seen.engine = enabled;
    ++g_seen.engineCalls;
}

void onDisconnected(void *context)
{
    g_context = context;
    ++g_seen.disconnected;
}

void onClipboard(QString, void *)
{
    ++g_seen.clipboardTexts;
}

// The guest-ready message: a barrier that proves everything the guest sent
// before it has been read.
const Bytes kGuestReady = {
    0x00, 0x03, 0x24, 0x37, // guest ready
    0x00, 0x00, 0x00, 0x01, // up
};

class MiscTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LogCapture::install();
        server_manager_init();
        misc_set_callback(onConnected, &g_seen);
        misc_set_engine_callbacks(onMouseLock, &g_seen);
        misc_set_engine_enabled_callback(onEngine, &g_seen);
        misc_set_disconnected_callback(onDisconnected, &g_seen);
        EXPECT_EQ(misc_start(kMiscPort), 1);
        clipboard_start(kClipboardPort, onClipboard, nullptr);
    }
    static void TearDownTestSuite()
    {
        clipboard_stop();
        misc_stop();
        server_manager_cleanup();
    }

    void SetUp() override { LogCapture::clear(); }

    // A guest whose connection the service has taken as its current one.
    static guest::GuestSocket connectMiscGuest()
    {
        const int before = LogCapture::count("misc new connection");
        guest::GuestSocket guest = connectGuest(kMiscPort);
        EXPECT_TRUE(LogCapture::waitForCount("misc new connection", before + 1));
        return guest;
    }

    // Sends the guest-ready barrier and waits until it has been read.
    static void sync(guest::GuestSocket &guest)
    {
        const int before = g_seen.connected;
        sendBytes(guest, kGuestReady);
        ASSERT_TRUE(waitUntil([before] { return g_seen.connected == before + 1; }));
    }
};

} // namespace

TEST_F(MiscTest, SendersReportNotReadyWithoutAGuest)
{
    EXPECT_EQ(misc_shake(), 1);
    EXPECT_EQ(misc_set_engine_enable(1), 1);
    EXPECT_EQ(misc_show_engine(), 1);
    EXPECT_EQ(LogCapture::count("misc shake not ready"), 1);
    EXPECT_EQ(LogCapture::count("misc set engine enable not ready"), 1);
    EXPECT_EQ(LogCapture::count("misc show engine editor not ready"), 1);
    gps_set_enable(1); // dropped without a guest
    gps_set_data(1, 2, 3, 4, 5);
    EXPECT_EQ(LogCapture::count("gps set data  1.000000,2.000000,3.000000,4.000000,5.000000"), 1);
}

TEST_F(MiscTest, HostMessagesAreByteExact)
{
    guest::GuestSocket guest = connectMiscGuest();

    EXPECT_EQ(misc_shake(), 0);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x34,   // shake
                        0x00, 0x00, 0x00, 0x01}); // gesture
    EXPECT_EQ(misc_set_engine_enable(1), 0);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x35,   // engine
                        0x00, 0x00, 0x00, 0x01,   // enable
                        0x00, 0x00, 0x00, 0x01}); // on
    EXPECT_EQ(misc_set_engine_enable(0), 0);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x35,   // engine
                        0x00, 0x00, 0x00, 0x01,   // enable
                        0x00, 0x00, 0x00, 0x00}); // off
    EXPECT_EQ(misc_show_engine(), 0);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x35,   // engine
                        0x00, 0x00, 0x00, 0x02}); // show editor
    EXPECT_TRUE(LogCapture::waitFor("misc show engine editor success"));

    gps_set_enable(0);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x32,   // GPS
                        0x00, 0x00, 0x00, 0x02}); // off
    gps_set_enable(5);
    expectBytes(guest, {0x00, 0x03, 0x24, 0x32,   // GPS
                        0x00, 0x00, 0x00, 0x01}); // on
    gps_set_data(108.9375f, 34.25f, 1, 1, 1);
    EXPECT_EQ(LogCapture::count("gps set data  108.937500,34.250000,1.000000,1.000000,1.000000"),
              1);
    expectBytes(guest, Bytes{0x00, 0x03, 0x24, 0x32, // GPS
                             0x00, 0x00, 0x00, 0x03, // fix
                             0x00, 0x00, 0x00, 0x2F} // 47 text bytes
                           + textBytes("108.937500,34.250000,1.000000,1.000000,1.000000"));
}

TEST_F(MiscTest, ShowEngineReportsAGuestThatHasGone)
{
    guest::GuestSocket guest = connectMiscGuest();
    guest.close();
    // Writes into the closed connection succeed until the host learns that
    // the guest has gone: from its end of stream, which ends the connection,
    // or from a failed write.
    EXPECT_TRUE(waitUntil([] {
        return misc_show_engine() == 1 ||
               LogCapture::count("misc show engine editor failed  0") > 0;
    }));
}

TEST_F(MiscTest, GuestReadyCallsTheConnectedCallbackForValueOneOnly)
{
    guest::GuestSocket guest = connectMiscGuest();
    const int before = g_seen.connected;
    sendBytes(guest, {0x00, 0x03, 0x24, 0x37,   // guest ready
                      0x00, 0x00, 0x00, 0x02}); // not up
    sendBytes(guest, kGuestReady);
    ASSERT_TRUE(waitUntil([before] { return g_seen.connected == before + 1; }));
    EXPECT_EQ(g_context, &g_seen);
    EXPECT_TRUE(LogCapture::waitForCount("client readable  205879", 2));
}

TEST_F(MiscTest, MouseLockCallsBackWithTheValue)
{
    guest::GuestSocket guest = connectMiscGuest();
    sendBytes(guest, {0x00, 0x03, 0x24, 0x36,   // mouse lock
                      0x00, 0x00, 0x00, 0x01,   // lock value follows
                      0x00, 0x00, 0x00, 0x04,   // 4 bytes
                      0x00, 0x00, 0x00, 0x01}); // allowed
    EXPECT_TRUE(waitUntil([] { return g_seen.mouseLockCalls == 1; }));
    EXPECT_EQ(g_seen.mouseLock, 1);
    EXPECT_TRUE(LogCapture::waitFor("get mouse cmd lock  1"));

    // Another sub-command: nothing is read beyond the length, nothing called.
    sendBytes(guest, {0x00, 0x03, 0x24, 0x36,   // mouse lock
                      0x00, 0x00, 0x00, 0x02,   // other sub-command
                      0x00, 0x00, 0x00, 0x04}); // length, no payload follows
    sync(guest);
    EXPECT_EQ(g_seen.mouseLockCalls, 1);
}

TEST_F(MiscTest, MouseLockWithAnotherLengthIsSkippedWhole)
{
    guest::GuestSocket guest = connectMiscGuest();
    const int before = g_seen.mouseLockCalls;
    sendBytes(guest, {0x00, 0x03, 0x24, 0x36,   // mouse lock
                      0x00, 0x00, 0x00, 0x01,   // lock value follows
                      0x00, 0x00, 0x00, 0x08,   // 8 bytes: more than the value holds
                      0x00, 0x00, 0x00, 0x01,   // payload, first half
                      0x00, 0x00, 0x00, 0x01}); // payload, second half
    sendBytes(guest, {0x00, 0x03, 0x24, 0x36,   // mouse lock
                      0x00, 0x00, 0x00, 0x01,   // lock value follows
                      0x00, 0x00, 0x00, 0x02,   // 2 bytes: less than the value
                      0x00, 0x01});             // payload
    sync(guest);                                // the connection is still in step
    EXPECT_EQ(g_seen.mouseLockCalls, before);
    EXPECT_EQ(LogCapture::count("mouse magic bad length  8"), 1);
    EXPECT_EQ(LogCapture::count("mouse magic bad length  2"), 1);

    sendBytes(guest, {0x00, 0x03, 0x24, 0x36,   // mouse lock
                      0x00, 0x00, 0x00, 0x01,   // lock value follows
                      0xFF, 0xFF, 0xFF, 0xFF}); // length -1
    EXPECT_TRUE(LogCapture::waitFor("mouse magic bad length  -1"));
}

TEST_F(MiscTest, EngineStateCallsBack)
{
    guest::GuestSocket guest = connectMiscGuest();
    const int before = g_seen.engineCalls;
    sendBytes(guest, {0x00, 0x03, 0x24, 0x35,   // engine
                      0x00, 0x00, 0x00, 0x02}); // a sub-command without state
    sendBytes(guest, {0x00, 0x03, 0x24, 0x35,   // engine
                      0x00, 0x00, 0x00, 0x01,   // state follows
                      0x00, 0x00, 0x00, 0x01}); // on
    ASSERT_TRUE(waitUntil([before] { return g_seen.engineCalls == before + 1; }));
    EXPECT_EQ(g_seen.engine, 1);
    EXPECT_EQ(LogCapture::count("misc engine cmd  2"), 1);
    EXPECT_EQ(LogCapture::count("misc engine cmd  1"), 1);
    EXPECT_EQ(LogCapture::count("misc engine enable 1"), 1);
}

TEST_F(MiscTest, UnknownCodeEndsTheWatching)
{
    guest::GuestSocket guest = connectMiscGuest();
    const int before = g_seen.connected;
    sendBytes(guest, {0x00, 0x00, 0x00, 0x63}); // code 99
    EXPECT_TRUE(LogCapture::waitFor("client readable  99"));
    sendBytes(guest, kGuestReady);

    // A new connection is served again; the old one's message never was.
    guest::GuestSocket next = connectMiscGuest();
    sync(next);
    EXPECT_EQ(g_seen.connected, before + 1);
}

TEST_F(MiscTest, BrokenMessagesAreLoggedAndEndTheConnection)
{
    struct Row
    {
        const char *name;
        Bytes message;
        const char *log;
    };
    const Row rows[] = {
        {"code cut short", {0x00, 0x03}, "misc read magic failed"},
        {"mouse lock header cut short", {0x00, 0x03, 0x24, 0x36, 0x00, 0x00},
         "mouse magic read cmd&length failed"},
        {"mouse lock value cut short",
         {0x00, 0x03, 0x24, 0x36, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00},
         "mouse magic read lock failed"},
        {"mouse lock payload too long",
         {0x00, 0x03, 0x24, 0x36, 0x00, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00, 0x01},
         "mouse magic bad length  1048577"},
        {"guest ready value cut short", {0x00, 0x03, 0x24, 0x37, 0x00, 0x00, 0x00},
         "misc read magic failed"},
        {"engine state cut short", {0x00, 0x03, 0x24, 0x35, 0x00, 0x00, 0x00, 0x01, 0x00},
         "misc read magic failed"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        guest::GuestSocket guest = connectMiscGuest();
        // The previous guest's connection is closed by now; nothing of it
        // is logged after this.
        LogCapture::clear();
        sendBytes(guest, row.message);
        // Nothing more comes: the host ends the connection rather than wait
        // for the rest or read what follows as a new message.
        ::shutdown(guest.fd(), SHUT_WR);
        EXPECT_TRUE(waitClosed(guest));
        EXPECT_EQ(LogCapture::count(row.log), 1);
        EXPECT_EQ(misc_shake(), 1) << "the closed connection is no longer current";
    }
}

TEST_F(MiscTest, ANewGuestConnectionClosesTheOld)
{
    guest::GuestSocket first = connectMiscGuest();
    guest::GuestSocket second = connectMiscGuest();
    EXPECT_TRUE(waitClosed(first));
    EXPECT_EQ(misc_shake(), 0);
    expectBytes(second, {0x00, 0x03, 0x24, 0x34,   // shake
                         0x00, 0x00, 0x00, 0x01}); // gesture
}

TEST_F(MiscTest, OnlyTheGuestEndingTheCurrentConnectionCallsTheDisconnectedCallback)
{
    guest::GuestSocket first = connectMiscGuest();
    // The previous test's guest has been ended or replaced by now.
    const int before = g_seen.disconnected;
    guest::GuestSocket second = connectMiscGuest();
    EXPECT_TRUE(waitClosed(first));
    sync(second);
    EXPECT_EQ(g_seen.disconnected, before) << "a replaced connection is no loss";

    second.close();
    EXPECT_TRUE(waitUntil([before] { return g_seen.disconnected == before + 1; }));
    EXPECT_EQ(g_context, &g_seen);
    guest::GuestSocket third = connectMiscGuest();
    sendBytes(third, {0x00, 0x03}); // out of step, then the guest goes quiet
    ::shutdown(third.fd(), SHUT_WR);
    EXPECT_TRUE(waitUntil([before] { return g_seen.disconnected == before + 2; }));
}

TEST_F(MiscTest, HalfAMessageDoesNotFreezeTheClipboard)
{
    guest::GuestSocket misc = connectMiscGuest();
    guest::GuestSocket clipboard = connectGuest(kClipboardPort);
    const int texts = g_seen.clipboardTexts;
    sendBytes(misc, {0x00, 0x03, 0x24});          // three bytes of a code, then nothing
    sendBytes(clipboard, {0x00, 0x00, 0x00, 0x23, // clipboard
                          0x00, 0x00, 0x00, 0x01, // 1 byte
                          0x61});                 // a
    EXPECT_TRUE(waitUntil([texts] { return g_seen.clipboardTexts == texts + 1; }, 15s));
    EXPECT_TRUE(LogCapture::waitFor("misc read magic failed"));
}
