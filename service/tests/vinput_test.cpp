#include "support/guest_peer.h"
#include "support/wait.h"

#include <service/server_manager.h>
#include <service/vinput.h>

#include <guestproto/VirtualInputDecoder.h>

#include <gtest/gtest.h>

#include <Qt>

#include <functional>
#include <future>
#include <thread>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20400-20499 belong to this binary.
constexpr int kPort = 20400;

const Bytes kTouchConfiguration = {
    0x00, 0x00, 0x00, 0x04, // touch configuration
    0x00, 0x00, 0x00, 0x08, // 8 payload bytes
    0x00, 0x00, 0x05, 0x00, // width 1280
    0x00, 0x00, 0x02, 0xD0, // height 720
};

class VirtualInputTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server_manager_init();
        vinput_start(kPort);
    }
    static void TearDownTestSuite() { server_manager_cleanup(); }

    void TearDown() override
    {
        vinput_stop();
        vinput_set_window_size(0, 0);
        vinput_set_orientation(0);
    }

    // A guest that has received its touch configuration.
    static guest::GuestSocket connectInputGuest()
    {
        guest::GuestSocket guest = connectGuest(kPort);
        expectBytes(guest, kTouchConfiguration);
        return guest;
    }
};

struct MessageCase
{
    const char *name;
    std::function<void()> send;
    Bytes expected;
};

int touchX(const Bytes &message)
{
    return message[8] << 24 | message[9] << 16 | message[10] << 8 | message[11];
}

int touchY(const Bytes &message)
{
    return message[12] << 24 | message[13] << 16 | message[14] << 8 | message[15];
}

} // namespace

TEST_F(VirtualInputTest, ReadyOnlyWhileAGuestIsConnected)
{
    EXPECT_EQ(vinput_ready(), 0);
    guest::GuestSocket guest = connectInputGuest();
    EXPECT_EQ(vinput_ready(), 1);
    vinput_stop();
    EXPECT_EQ(vinput_ready(), 0);
    EXPECT_TRUE(waitClosed(guest));
}

TEST_F(VirtualInputTest, EveryMessageIsByteExact)
{
    // clang-format off
    const MessageCase cases[] = {
        {"key press of scan code 30", [] { vinput_inject_key(30, 0, 0); },
         {0x00, 0x00, 0x00, 0x01,   // key
          0x00, 0x00, 0x00, 0x0C,   // 12 payload bytes
          0x00, 0x00, 0x00, 0x1E,   // scan code 30
          0x00, 0x00, 0x00, 0x00,   // down
          0x00, 0x00, 0x00, 0x00}}, // third field
        {"key release", [] { vinput_inject_key(57, 1, 7); },
         {0x00, 0x00, 0x00, 0x01,   // key
          0x00, 0x00, 0x00, 0x0C,   // 12 payload bytes
          0x00, 0x00, 0x00, 0x39,   // scan code 57
          0x00, 0x00, 0x00, 0x01,   // up
          0x00, 0x00, 0x00, 0x07}}, // third field
        {"touch move", [] { vinput_inject_motion(100, 200, 1, 2); },
         {0x00, 0x00, 0x00, 0x02,   // touch
          0x00, 0x00, 0x00, 0x10,   // 16 payload bytes
          0x00, 0x00, 0x00, 0x64,   // x 100
          0x00, 0x00, 0x00, 0xC8,   // y 200
          0x00, 0x00, 0x00, 0x01,   // contact 1
          0x00, 0x00, 0x00, 0x02}}, // move
        {"wheel", [] { vinput_inject_wheel(-120, 120, 640, 360); },
         {0x00, 0x00, 0x00, 0x03,   // wheel
          0x00, 0x00, 0x00, 0x10,   // 16 payload bytes
          0xFF, 0xFF, 0xFF, 0x88,   // horizontal -120
          0x00, 0x00, 0x00, 0x78,   // vertical 120
          0x00, 0x00, 0x02, 0x80,   // x 640
          0x00, 0x00, 0x01, 0x68}}, // y 360
        {"touch configuration", [] { vinput_config_touch(1280, 720); }, kTouchConfiguration},
        {"mouse offset", [] { vinput_mouse_offset(-3, 5); },
         {0x00, 0x00, 0x00, 0x06,   // mouse offset
          0x00, 0x00, 0x00, 0x08,   // 8 payload bytes
          0xFF, 0xFF, 0xFF, 0xFD,   // dx -3
          0x00, 0x00, 0x00, 0x05}}, // dy 5
        {"left button", [] { vinput_mouse_left_button(1); },
         {0x00, 0x00, 0x00, 0x07,   // left button
          0x00, 0x00, 0x00, 0x04,   // 4 payload bytes
          0x00, 0x00, 0x00, 0x01}}, // up
        {"right button", [] { vinput_mouse_right_button(1, 0); },
         {0x00, 0x00, 0x00, 0x08,   // right button
          0x00, 0x00, 0x00, 0x08,   // 8 payload bytes
          0x00, 0x00, 0x00, 0x01,   // first field
          0x00, 0x00, 0x00, 0x00}}, // lock off
        {"zoom out", [] { vinput_zoom(10, 20, -20); },
         {0x00, 0x00, 0x00, 0x09,   // zoom
          0x00, 0x00, 0x00, 0x0C,   // 12 payload bytes
          0x00, 0x00, 0x00, 0x0A,   // x 10
          0x00, 0x00, 0x00, 0x14,   // y 20
          0xFF, 0xFF, 0xFF, 0xEC}}, // step -20
    };
    // clang-format on
    guest::GuestSocket guest = connectInputGuest();
    for (const MessageCase &row : cases) {
        SCOPED_TRACE(row.name);
        row.send();
        expectBytes(guest, row.expected);
    }
}

TEST_F(VirtualInputTest, WindowPositionsAreMappedToTheGuestFrame)
{
    struct Row
    {
        int windowWidth, windowHeight, orientation, x, y, guestX, guestY;
    };
    // clang-format off
    const Row rows[] = {
        {640, 360, 0, 320, 180, 640, 360},
        {640, 360, 0, 0, 0, 0, 0},
        {640, 360, 0, 639, 359, 1278, 718},
        {360, 640, 1, 0, 0, 0, 720},
        {360, 640, 1, 360, 640, 1280, 0},
        {360, 640, 1, 180, 320, 640, 360},
        {0, 0, 0, 17, 711, 17, 711}, // no window size yet: positions pass through
        {1000, 700, 0, 333, 111, 426, 114},
    };
    // clang-format on
    guest::GuestSocket guest = connectInputGuest();
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.windowWidth << "x" << row.windowHeight << " o"
                                        << row.orientation << " (" << row.x << "," << row.y << ")");
        vinput_set_window_size(row.windowWidth, row.windowHeight);
        vinput_set_orientation(row.orientation);
        vinput_inject_motion(row.x, row.y, 1, 0);
        const Bytes touch = readBytes(guest, 24);
        ASSERT_EQ(touch.size(), 24u);
        EXPECT_EQ(touchX(touch), row.guestX);
        EXPECT_EQ(touchY(touch), row.guestY);
    }
}

TEST_F(VirtualInputTest, WheelAndZoomPositionsAreMappedToo)
{
    guest::GuestSocket guest = connectInputGuest();
    vinput_set_window_size(640, 360);
    vinput_inject_wheel(0, -120, 320, 180);
    expectBytes(guest, {0x00, 0x00, 0x00, 0x03,   // wheel
                        0x00, 0x00, 0x00, 0x10,   // 16 payload bytes
                        0x00, 0x00, 0x00, 0x00,   // horizontal 0
                        0xFF, 0xFF, 0xFF, 0x88,   // vertical -120
                        0x00, 0x00, 0x02, 0x80,   // x 640
                        0x00, 0x00, 0x01, 0x68}); // y 360
    vinput_zoom(320, 180, 20);
    expectBytes(guest, {0x00, 0x00, 0x00, 0x09,   // zoom
                        0x00, 0x00, 0x00, 0x0C,   // 12 payload bytes
                        0x00, 0x00, 0x02, 0x80,   // x 640
                        0x00, 0x00, 0x01, 0x68,   // y 360
                        0x00, 0x00, 0x00, 0x14}); // step 20
}

TEST_F(VirtualInputTest, ScanCodeTable)
{
    struct Row
    {
        int qtKey;
        int scanCode;
    };
    // clang-format off
    const Row rows[] = {
        {Qt::Key_Escape, 1}, {Qt::Key_1, 2}, {Qt::Key_9, 10}, {Qt::Key_0, 11},
        {'!', 2}, {'@', 3}, {'#', 4}, {'$', 5}, {'%', 6}, {'^', 7}, {'&', 8}, {'*', 9},
        {'(', 10}, {')', 11}, {'-', 12}, {'_', 12}, {'=', 13}, {'+', 13},
        {Qt::Key_Backspace, 14}, {Qt::Key_Tab, 15}, {Qt::Key_Q, 16}, {Qt::Key_P, 25},
        {'[', 26}, {'{', 26}, {']', 27}, {'}', 27}, {Qt::Key_Return, 28}, {Qt::Key_Enter, 28},
        {Qt::Key_Control, 29}, {Qt::Key_A, 30}, {Qt::Key_L, 38}, {';', 39}, {':', 39},
        {'\'', 40}, {'"', 40}, {'`', 41}, {'~', 41}, {Qt::Key_Shift, 42}, {'\\', 43},
        {'|', 43}, {Qt::Key_Z, 44}, {Qt::Key_M, 50}, {',', 51}, {'<', 51}, {'.', 52},
        {'>', 52}, {'/', 53}, {'?', 53}, {Qt::Key_Alt, 56}, {' ', 57}, {Qt::Key_CapsLock, 58},
        {Qt::Key_F1, 59}, {Qt::Key_F10, 68}, {Qt::Key_NumLock, 69}, {Qt::Key_ScrollLock, 70},
        {Qt::Key_F11, 87}, {Qt::Key_F12, 88}, {Qt::Key_Up, 103}, {Qt::Key_Left, 105},
        {Qt::Key_Right, 106}, {Qt::Key_Down, 108}, {Qt::Key_Print, 110}, {Qt::Key_SysReq, 110},
        {Qt::Key_PageUp, 111}, {Qt::Key_Pause, 119}, {Qt::Key_Delete, 121}, {Qt::Key_End, 122},
        {Qt::Key_Insert, 123}, {Qt::Key_PageDown, 126}, {Qt::Key_Home, 127},
        {Qt::Key_Super_L, 139}, {Qt::Key_Super_R, 140}, {Qt::Key_Menu, 141},
        // Keys without a code.
        {'a', 0}, {'z', 0}, {Qt::Key_Meta, 0}, {Qt::Key_Clear, 0}, {Qt::Key_F13, 0}, {0, 0},
        {-1, 0},
    };
    // clang-format on
    for (const Row &row : rows)
        EXPECT_EQ(get_scan_code(row.qtKey), row.scanCode) << "Qt key " << row.qtKey;

    const char *const letters = "QWERTYUIOPASDFGHJKLZXCVBNM";
    const int codes[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                         33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(get_scan_code(letters[i]), codes[i]) << letters[i];
    for (int f = 0; f < 10; ++f)
        EXPECT_EQ(get_scan_code(Qt::Key_F1 + f), 59 + f);
}

TEST_F(VirtualInputTest, EventsBeforeTheGuestConnectsAreDropped)
{
    vinput_inject_key(30, 0, 0);
    vinput_inject_motion(1, 1, 1, 0);
    guest::GuestSocket guest = connectInputGuest();
    vinput_mouse_left_button(0);
    expectBytes(guest, {0x00, 0x00, 0x00, 0x07,   // left button
                        0x00, 0x00, 0x00, 0x04,   // 4 payload bytes
                        0x00, 0x00, 0x00, 0x00}); // down
}

TEST_F(VirtualInputTest, ANewGuestConnectionReplacesAndClosesTheOld)
{
    guest::GuestSocket first = connectInputGuest();
    guest::GuestSocket second = connectInputGuest();
    EXPECT_TRUE(waitClosed(first));
    vinput_mouse_left_button(1);
    expectBytes(second, {0x00, 0x00, 0x00, 0x07,   // left button
                         0x00, 0x00, 0x00, 0x04,   // 4 payload bytes
                         0x00, 0x00, 0x00, 0x01}); // up
}

// Keys, touches and the rest arrive in the order they were injected, also
// when several threads inject at once.
TEST_F(VirtualInputTest, MessagesArriveInInjectionOrder)
{
    guest::GuestSocket guest = connectInputGuest();
    constexpr int kRounds = 3000;
    auto keys = std::async(std::launch::async, [] {
        for (int i = 0; i < kRounds; ++i) {
            vinput_inject_key(30, 0, i);
            vinput_inject_motion(i % 1280, 5, 1, 2);
            vinput_inject_key(30, 1, i);
        }
    });
    auto offsets = std::async(std::launch::async, [] {
        for (int i = 0; i < kRounds; ++i)
            vinput_mouse_offset(i, -i);
    });

    // The key thread's stream, three messages a round: key down, touch,
    // key up, each carrying the round number.
    guest::VirtualInputDecoder decoder;
    int keyThreadStep = 0;
    int nextOffset = 0;
    std::uint8_t chunk[65536];
    while (keyThreadStep < 3 * kRounds || nextOffset < kRounds) {
        const guest::ReadSomeResult got = guest.readSome(chunk, sizeof chunk, kPeerTimeout);
        ASSERT_EQ(got.status, guest::ReadStatus::Ok);
        ASSERT_TRUE(decoder.feed(chunk, got.bytes)) << decoder.errorReason();
        while (auto message = decoder.next()) {
            const int round = keyThreadStep / 3;
            const int phase = keyThreadStep % 3;
            if (const auto *key = std::get_if<guest::KeyInput>(&*message)) {
                ASSERT_NE(phase, 1) << "key in place of the touch of round " << round;
                ASSERT_EQ(key->extra, round);
                ASSERT_EQ(key->action, phase == 0 ? 0 : 1);
                ++keyThreadStep;
            } else if (const auto *touch = std::get_if<guest::TouchInput>(&*message)) {
                ASSERT_EQ(phase, 1) << "touch out of place in round " << round;
                ASSERT_EQ(touch->x, round % 1280);
                ++keyThreadStep;
            } else if (const auto *offset = std::get_if<guest::MouseOffset>(&*message)) {
                ASSERT_EQ(offset->dx, nextOffset);
                ++nextOffset;
            }
        }
    }
    keys.wait();
    offsets.wait();
}

TEST_F(VirtualInputTest, CallersNeverBlockOnAGuestThatDoesNotRead)
{
    guest::GuestSocket guest = connectInputGuest();
    // Touches used to be written on the caller's thread; 200 000 of them are
    // far more than the socket buffers hold.
    auto injecting = std::async(std::launch::async, [] {
        for (int i = 0; i < 200000; ++i)
            vinput_inject_motion(i % 1280, 0, 1, 2);
    });
    EXPECT_EQ(injecting.wait_for(20s), std::future_status::ready);
    injecting.wait();
}
