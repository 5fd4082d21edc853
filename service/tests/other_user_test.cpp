// Loopback is open to every local user: another user's client on a service
// port is closed at accept, before it can read what the host sends or feed
// the host anything, and the user's own guest is not disturbed.

#include "support/guest_peer.h"
#include "support/log_capture.h"

#include <OtherUserClient.h>

#include <service/clipboard.h>
#include <service/input_method.h>
#include <service/misc.h>
#include <service/server_manager.h>
#include <service/vinput.h>

#include <gtest/gtest.h>

#include <atomic>

using namespace service_test;

namespace {

// Ports 20920-20929 belong to this binary.
constexpr int kPort = 20920;

char g_imeText[] = "?";

// Only the other user's client sends the host a text.
std::atomic<int> g_guestTexts{0};

void onText(QString, void *)
{
    ++g_guestTexts;
}

class OtherUserTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LogCapture::install();
        server_manager_init();
        vinput_start(kPort);
        clipboard_start(kPort + 1, onText, nullptr);
        misc_start(kPort + 2);
        input_method_start(kPort + 3);
    }
    static void TearDownTestSuite() { server_manager_cleanup(); }
};

TEST_F(OtherUserTest, AnotherUsersClientIsRefusedOnEveryPort)
{
    if (!other_user::canRun())
        GTEST_SKIP() << "only root can run a client as another user";
    const struct
    {
        const char *name;
        int port;
        void (*probe)();
        Bytes intruderSends;
    } services[] = {
        {"input", kPort, [] { vinput_inject_key(30, 1, 0); }, {}},
        {"clipboard", kPort + 1, [] { clipboard_host_clip_data(QStringLiteral("?")); },
         Bytes{0x00, 0x00, 0x00, 0x23} + ints({8}) + textBytes("intruder")},
        {"misc", kPort + 2, [] { misc_shake(); }, {}},
        {"input method", kPort + 3, [] { input_method_send_text(g_imeText, 1); }, {}},
    };
    for (const auto &service : services) {
        SCOPED_TRACE(service.name);
        guest::GuestSocket own = connectServed(service.port, service.probe);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const std::optional<other_user::Outcome> outcome = other_user::connectAndRead(
                "127.0.0.1", static_cast<std::uint16_t>(service.port), service.intruderSends);
            ASSERT_TRUE(outcome) << "the other user's client could not connect";
            EXPECT_TRUE(outcome->closedByServer);
            EXPECT_EQ(outcome->received, 0u);
        }
        // The own guest's connection is still the current one...
        service.probe();
        EXPECT_EQ(readBytes(own, 1).size(), 1u);
        // ...until the own guest connects again, as usual.
        connectServed(service.port, service.probe);
        EXPECT_EQ(LogCapture::count("connection from another user refused " +
                                    std::to_string(service.port) + " " +
                                    std::to_string(other_user::kUid)),
                  1);
    }
    EXPECT_EQ(g_guestTexts, 0);
}

} // namespace
