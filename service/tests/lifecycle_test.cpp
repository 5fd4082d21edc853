#include "handle_table.h"
#include "support/accepted_connection.h"
#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include <service/clipboard.h>
#include <service/input_method.h>
#include <service/misc.h>
#include <service/server_manager.h>
#include <service/socket.h>
#include <service/vinput.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20950-20999 belong to this binary.
constexpr int kPort = 20950;
constexpr int kInputPort = kPort;
constexpr int kClipboardPort = kPort + 1;
constexpr int kMiscPort = kPort + 2;
constexpr int kImePort = kPort + 3;

const Bytes kTouchConfiguration = {
    0x00, 0x00, 0x00, 0x04, // touch configuration
    0x00, 0x00, 0x00, 0x08, // 8 payload bytes
    0x00, 0x00, 0x05, 0x00, // width 1280
    0x00, 0x00, 0x02, 0xD0, // height 720
};

Bytes keyMessage(int scanCode, int action, int third)
{
    return ints({1, 12, scanCode, action, third});
}

void ignoreText(QString, void *) {}

void probeClipboard()
{
    clipboard_host_clip_data(QStringLiteral("?"));
}

void probeMisc()
{
    misc_shake();
}

void probeIme()
{
    char probe[] = "?";
    input_method_send_text(probe, 1);
}

void startServices()
{
    server_manager_init();
    vinput_start(kInputPort);
    clipboard_start(kClipboardPort, ignoreText, nullptr);
    misc_start(kMiscPort);
    input_method_start(kImePort);
}

std::vector<guest::GuestSocket> connectEveryService()
{
    std::vector<guest::GuestSocket> guests;
    guests.push_back(connectGuest(kInputPort));
    expectBytes(guests.back(), kTouchConfiguration);
    guests.push_back(connectServed(kClipboardPort, probeClipboard));
    guests.push_back(connectServed(kMiscPort, probeMisc));
    guests.push_back(connectServed(kImePort, probeIme));
    return guests;
}

int openHandles()
{
    int count = 0;
    for (int handle = 100; handle < 100 + service::handleHighWaterMark(); ++handle)
        count += service::openRecord(handle) != nullptr ? 1 : 0;
    return count;
}

// Hands out every record of the handle table once and frees them again:
// from then on a freed handle number is reused, the lowest first.
void useEveryHandleOnce()
{
    std::vector<int> handles;
    for (int handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM); handle > 0;
         handle = socket_loopback_server(0, SERVICE_SOCKET_DATAGRAM))
        handles.push_back(handle);
    for (const int handle : handles)
        box_close(handle);
}

// Runs in a process of its own: it gives up the right to start threads.
void acceptWithoutThreads()
{
    server_manager_init();
    clipboard_start(kPort + 30, ignoreText, nullptr);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(2);
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0)
        _exit(3);
    guest::GuestSocket guest = guest::GuestSocket::connectTo("127.0.0.1", kPort + 30, 10s);
    const bool refused = guest.isOpen() && waitClosed(guest);
    _exit(refused && LogCapture::count("cannot serve connection") == 1 ? 0 : 1);
}

class LifecycleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LogCapture::install(); }
    void SetUp() override { LogCapture::clear(); }
    void TearDown() override { server_manager_cleanup(); }
};

} // namespace

TEST_F(LifecycleTest, CleanupEndsEveryServiceSoThatAllCanStartAgain)
{
    useEveryHandleOnce();
    startServices();
    std::vector<guest::GuestSocket> guests = connectEveryService();
    server_manager_cleanup();
    for (guest::GuestSocket &guest : guests)
        EXPECT_TRUE(waitClosed(guest));
    EXPECT_EQ(vinput_ready(), 0);
    EXPECT_EQ(misc_shake(), 1);
    EXPECT_EQ(openHandles(), 0);

    // Connections of our own now hold the handle numbers the services had;
    // starting again must not touch them.
    std::vector<std::unique_ptr<AcceptedConnection>> own;
    for (int i = 0; i < 4; ++i)
        own.push_back(std::make_unique<AcceptedConnection>(kPort + 10 + i));
    startServices();
    guests = connectEveryService();
    vinput_inject_key(30, 1, 5);
    expectBytes(guests[0], keyMessage(30, 1, 5));
    for (const auto &connection : own) {
        ASSERT_EQ(box_write(connection->handle, "o", 1), 1);
        expectBytes(connection->guest, {'o'});
    }
    clipboard_stop();
    input_method_stop();
    misc_stop();
}

TEST_F(LifecycleTest, TricklingGuestDoesNotHoldUpInputOnAnotherService)
{
    server_manager_init();
    vinput_start(kInputPort);
    clipboard_start(kClipboardPort, ignoreText, nullptr);
    guest::GuestSocket input = connectGuest(kInputPort);
    expectBytes(input, kTouchConfiguration);
    guest::GuestSocket trickler = connectServed(kClipboardPort, probeClipboard);

    // A text announced at 1000 bytes, then one byte every 100 ms: never
    // idle long enough for a bound on each receive to notice.
    sendBytes(trickler, {0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x03, 0xE8});
    std::atomic<bool> stop{false};
    std::thread trickle([&stop, socket = trickler.fd()] {
        while (!stop.load() && ::send(socket, "a", 1, MSG_NOSIGNAL) == 1)
            std::this_thread::sleep_for(100ms);
    });

    // Input on the connected guest goes through meanwhile.
    vinput_inject_key(30, 1, 7);
    expectBytes(input, keyMessage(30, 1, 7));
    // The input agent reconnects: its new connection is taken and served.
    guest::GuestSocket again = connectGuest(kInputPort);
    expectBytes(again, kTouchConfiguration);
    vinput_inject_key(30, 0, 8);
    expectBytes(again, keyMessage(30, 0, 8));
    // The trickling guest's connection was ended.
    EXPECT_TRUE(waitClosed(trickler));
    stop = true;
    trickle.join();
    clipboard_stop();
}

TEST_F(LifecycleTest, ConnectionWhoseWriterCannotStartIsRefused)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(acceptWithoutThreads(), ::testing::ExitedWithCode(0), "");
}

TEST_F(LifecycleTest, ConnectionsArrivingWhileAServiceStopsAreClosed)
{
    server_manager_init();
    const int before = openHandles();
    for (int round = 0; round < 100; ++round) {
        clipboard_start(kClipboardPort, ignoreText, nullptr);
        input_method_start(kImePort);
        guest::GuestSocket clipboardGuest = connectGuest(kClipboardPort);
        guest::GuestSocket imeGuest = connectGuest(kImePort);
        // A different moment of the accepts' progress each round.
        for (volatile int spin = 0; spin < (round % 25) * 200; spin = spin + 1) {
        }
        clipboard_stop();
        input_method_stop();
        // Served and closed by the stop, refused, or never accepted: closed
        // in every case, never left open for nobody.
        ASSERT_TRUE(waitClosed(clipboardGuest)) << "round " << round;
        ASSERT_TRUE(waitClosed(imeGuest)) << "round " << round;
    }
    EXPECT_TRUE(waitUntil([before] { return openHandles() == before; }));
}
