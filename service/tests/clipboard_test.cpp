#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include <service/clipboard.h>
#include <service/server_manager.h>

#include <gtest/gtest.h>

#include <mutex>
#include <sys/socket.h>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20700-20799 belong to this binary.
constexpr int kPort = 20700;

std::mutex g_lock;
std::vector<QString> g_texts;
void *g_context = nullptr;
int g_contextTag = 0;

void onText(QString text, void *context)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_texts.push_back(text);
    g_context = context;
}

std::size_t textCount()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_texts.size();
}

QString lastText()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_texts.empty() ? QString() : g_texts.back();
}

Bytes guestText(const std::string &text)
{
    return Bytes{0x00, 0x00, 0x00, 0x23} + ints({static_cast<std::int32_t>(text.size())}) +
           textBytes(text);
}

class ClipboardTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LogCapture::install();
        server_manager_init();
        clipboard_start(kPort, onText, &g_contextTag);
    }
    static void TearDownTestSuite()
    {
        clipboard_stop();
        server_manager_cleanup();
    }

    void SetUp() override { LogCapture::clear(); }

    // A guest that the service has taken as its current connection: host
    // texts reach it.
    static guest::GuestSocket connectClipboardGuest()
    {
        guest::GuestSocket guest = connectGuest(kPort);
        EXPECT_TRUE(waitUntil([&guest] {
            clipboard_host_clip_data(QStringLiteral("?"));
            return guest.waitReadable(10ms) == guest::ReadStatus::Ok;
        }));
        // Drop the probes that arrived.
        std::uint8_t scratch[4096];
        while (guest.waitReadable(50ms) == guest::ReadStatus::Ok)
            guest.readSome(scratch, sizeof scratch, 50ms);
        return guest;
    }

    // Sends text from the guest and waits for the callback.
    static void deliver(guest::GuestSocket &guest, const Bytes &message)
    {
        const std::size_t before = textCount();
        sendBytes(guest, message);
        ASSERT_TRUE(waitUntil([before] { return textCount() == before + 1; }));
    }
};

} // namespace

TEST_F(ClipboardTest, HostTextsAreByteExact)
{
    guest::GuestSocket guest = connectClipboardGuest();
    clipboard_host_clip_data(QStringLiteral("abc"));
    expectBytes(guest, {0x00, 0x00, 0x00, 0x23, // clipboard
                        0x00, 0x00, 0x00, 0x03, // 3 bytes
                        0x61, 0x62, 0x63});     // abc
    clipboard_host_clip_data(QStringLiteral(""));
    expectBytes(guest, {0x00, 0x00, 0x00, 0x23,   // clipboard
                        0x00, 0x00, 0x00, 0x00}); // empty, nothing follows
    clipboard_host_clip_data(QString::fromUtf8("\xC3\xA9"));
    expectBytes(guest, {0x00, 0x00, 0x00, 0x23, // clipboard
                        0x00, 0x00, 0x00, 0x02, // 2 bytes
                        0xC3, 0xA9});           // é
}

TEST_F(ClipboardTest, GuestTextsReachTheCallback)
{
    guest::GuestSocket guest = connectClipboardGuest();
    deliver(guest, {0x00, 0x00, 0x00, 0x23, // clipboard
                    0x00, 0x00, 0x00, 0x02, // 2 bytes
                    0xC3, 0xA9});           // é
    EXPECT_EQ(lastText(), QString::fromUtf8("\xC3\xA9"));
    EXPECT_EQ(g_context, &g_contextTag);

    deliver(guest, {0x00, 0x00, 0x00, 0x23,   // clipboard
                    0x00, 0x00, 0x00, 0x00}); // empty
    EXPECT_EQ(lastText(), QString());
    EXPECT_TRUE(lastText().isEmpty());

    deliver(guest, {0x00, 0x00, 0x00, 0x23, // clipboard
                    0x00, 0x00, 0x00, 0x04, // 4 bytes
                    'a', 'b', 0x00, 'c'});  // the text ends at the NUL
    EXPECT_EQ(lastText(), QStringLiteral("ab"));
}

TEST_F(ClipboardTest, TextUpToTheBoundIsDelivered)
{
    guest::GuestSocket guest = connectClipboardGuest();
    deliver(guest, guestText(std::string(1 << 20, 'y')));
    EXPECT_EQ(lastText().size(), 1 << 20);
}

TEST_F(ClipboardTest, BrokenGuestMessagesEndTheConnection)
{
    struct Row
    {
        const char *name;
        Bytes message;
        const char *log;
    };
    const Row rows[] = {
        {"header cut short", {0x00, 0x00, 0x00, 0x23, 0x00, 0x00}, nullptr},
        {"text cut short", Bytes{0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x0A} + textBytes("abcde"),
         nullptr},
        {"negative length", {0x00, 0x00, 0x00, 0x23, 0x80, 0x00, 0x00, 0x00},
         "clipboard bad text length -2147483648"},
        {"longer than the bound", {0x00, 0x00, 0x00, 0x23, 0x00, 0x10, 0x00, 0x01},
         "clipboard text too long 1048577"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = textCount();
        guest::GuestSocket guest = connectClipboardGuest();
        sendBytes(guest, row.message);
        // The guest sends nothing more; the host must not wait for the rest
        // nor read what follows as a new message.
        ::shutdown(guest.fd(), SHUT_WR);
        EXPECT_TRUE(waitClosed(guest));
        if (row.log != nullptr) {
            EXPECT_EQ(LogCapture::count(row.log), 1);
        }
        EXPECT_EQ(textCount(), before);
    }
    guest::GuestSocket again = connectClipboardGuest();
    deliver(again, guestText("after"));
    EXPECT_EQ(lastText(), QStringLiteral("after"));
}

TEST_F(ClipboardTest, HostTextBeyondTheGuestsBoundIsDroppedAndTheConnectionKept)
{
    guest::GuestSocket guest = connectClipboardGuest();
    clipboard_host_clip_data(QString((1 << 20) + 1, QLatin1Char('z')));
    EXPECT_EQ(LogCapture::count("clipboard host text too long, dropped 1048577"), 1);
    clipboard_host_clip_data(QString(1 << 20, QLatin1Char('y')));
    expectBytes(guest, {0x00, 0x00, 0x00, 0x23,   // clipboard
                        0x00, 0x10, 0x00, 0x00}); // 1 MiB: the most the guest takes
    EXPECT_EQ(readBytes(guest, 1 << 20), Bytes(1 << 20, 'y'));
    clipboard_host_clip_data(QStringLiteral("x"));
    expectBytes(guest, {0x00, 0x00, 0x00, 0x23, 0x00, 0x00, 0x00, 0x01, 'x'});
}

TEST_F(ClipboardTest, ANewGuestConnectionClosesTheOld)
{
    guest::GuestSocket first = connectClipboardGuest();
    guest::GuestSocket second = connectClipboardGuest();
    EXPECT_TRUE(waitClosed(first));
    clipboard_host_clip_data(QStringLiteral("x"));
    expectBytes(second, {0x00, 0x00, 0x00, 0x23, // clipboard
                         0x00, 0x00, 0x00, 0x01, // 1 byte
                         'x'});
}

TEST_F(ClipboardTest, StopClosesAndUnregistersAndStartServesAgain)
{
    guest::GuestSocket guest = connectClipboardGuest();
    clipboard_stop();
    EXPECT_TRUE(waitClosed(guest));
    EXPECT_FALSE(guest::GuestSocket::connectTo("127.0.0.1", kPort, 2s).isOpen());
    clipboard_host_clip_data(QStringLiteral("dropped"));

    clipboard_start(kPort + 1, onText, &g_contextTag);
    guest::GuestSocket again = connectGuest(kPort + 1);
    deliver(again, guestText("back"));
    clipboard_stop();
    clipboard_start(kPort, onText, &g_contextTag);
}
