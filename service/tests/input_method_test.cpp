#include "server_manager_internal.h"
#include "support/guest_peer.h"
#include "support/wait.h"

#include <service/input_method.h>
#include <service/server_manager.h>

#include <gtest/gtest.h>

#include <thread>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20800-20899 belong to this binary.
constexpr int kPort = 20800;

class InputMethodTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server_manager_init(); }
    static void TearDownTestSuite()
    {
        input_method_stop();
        server_manager_cleanup();
    }

    // A guest that the service has taken as its current connection.
    static guest::GuestSocket connectImeGuest(int port)
    {
        guest::GuestSocket guest = connectGuest(static_cast<std::uint16_t>(port));
        char probe[] = "?";
        EXPECT_TRUE(waitUntil([&guest, &probe] {
            input_method_send_text(probe, 1);
            return guest.waitReadable(10ms) == guest::ReadStatus::Ok;
        }));
        std::uint8_t scratch[4096];
        while (guest.waitReadable(50ms) == guest::ReadStatus::Ok)
            guest.readSome(scratch, sizeof scratch, 50ms);
        return guest;
    }
};

} // namespace

TEST_F(InputMethodTest, CommittedTextIsByteExact)
{
    input_method_start(kPort);
    guest::GuestSocket guest = connectImeGuest(kPort);
    char text[] = "\xE4\xBD\xA0\xE5\xA5\xBD"; // 你好
    input_method_send_text(text, 6);
    expectBytes(guest, {0x00, 0x00, 0x00, 0x06, // 6 bytes
                        0xE4, 0xBD, 0xA0,       // 你
                        0xE5, 0xA5, 0xBD});     // 好
    input_method_send_text(text, 0);
    input_method_send_text(nullptr, 5); // ignored
    input_method_send_text(text, -1);   // ignored
    input_method_send_text(text, 3);
    expectBytes(guest, {0x00, 0x00, 0x00, 0x00, // empty
                        0x00, 0x00, 0x00, 0x03, // 3 bytes
                        0xE4, 0xBD, 0xA0});     // 你
}

TEST_F(InputMethodTest, StartingTwiceLeavesOneServerOnTheSecondPort)
{
    input_method_start(kPort + 1);
    guest::GuestSocket first = connectImeGuest(kPort + 1);
    input_method_start(kPort + 2);
    EXPECT_TRUE(waitClosed(first));
    EXPECT_FALSE(guest::GuestSocket::connectTo("127.0.0.1", kPort + 1, 2s).isOpen());
    guest::GuestSocket second = connectImeGuest(kPort + 2);
    char text[] = "k";
    input_method_send_text(text, 1);
    expectBytes(second, {0x00, 0x00, 0x00, 0x01, 'k'});
}

TEST_F(InputMethodTest, ANewGuestConnectionClosesTheOld)
{
    input_method_start(kPort + 3);
    guest::GuestSocket first = connectImeGuest(kPort + 3);
    guest::GuestSocket second = connectImeGuest(kPort + 3);
    EXPECT_TRUE(waitClosed(first));
}

// The guest has nothing to send here; if it does, or closes its end, the
// loop must not keep finding the connection readable.
TEST_F(InputMethodTest, GuestDataAndClosingLeaveTheLoopIdle)
{
    input_method_start(kPort + 4);
    guest::GuestSocket guest = connectImeGuest(kPort + 4);
    sendBytes(guest, Bytes(100, 0x41));
    char text[] = "still";
    input_method_send_text(text, 5);
    expectBytes(guest, Bytes{0x00, 0x00, 0x00, 0x05} + textBytes("still"));

    guest.close();
    const unsigned long passes = service::serverManagerLoopPasses();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(service::serverManagerLoopPasses() - passes, 10u);
}
