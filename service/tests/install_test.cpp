#include "support/fake_vm_service.h"
#include "support/guest_peer.h"
#include "support/log_capture.h"
#include "support/wait.h"

#include "install_queue.h"

#include <service/misc.h>
#include <service/pm.h>
#include <service/server_manager.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>

using namespace service_test;
using namespace std::chrono_literals;

namespace {

// Ports 20600-20699 belong to this binary.
constexpr int kMiscPort = 20600;

FakeVMService g_vm;

std::mutex g_lock;
std::vector<std::string> g_begun;
std::vector<std::pair<std::string, int>> g_ended;

void onBegin(void *, const char *fileName)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_begun.emplace_back(fileName);
}

void onEnd(void *, const char *text, int result)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_ended.emplace_back(text, result);
}

std::size_t begunCount()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_begun.size();
}

std::size_t endedCount()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_ended.size();
}

std::pair<std::string, int> lastEnded()
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_ended.empty() ? std::pair<std::string, int>{} : g_ended.back();
}

// The install request the guest receives for a file name.
Bytes installRequest(const std::string &file)
{
    return Bytes{0x00, 0x03, 0x24, 0x33,                                   // package install
                 0x00, 0x00, 0x00, 0x01,                                   // request
                 0x00, 0x00, 0x00, static_cast<std::uint8_t>(file.size())} // name length
           + textBytes(file);
}

// The guest's result for an install; result 1 with the text "ok".
const Bytes kResultOk = {
    0x00, 0x03, 0x24, 0x33, // package install
    0x00, 0x00, 0x00, 0x01, // result 1
    0x00, 0x00, 0x00, 0x02, // 2 text bytes
    'o',  'k',              // ok
};

class InstallTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LogCapture::install();
        server_manager_init();
        pm_set_vm(&g_vm);
        pm_set_callback(onBegin, onEnd, nullptr);
        misc_start(kMiscPort);
    }
    static void TearDownTestSuite()
    {
        misc_stop();
        server_manager_cleanup();
    }

    void SetUp() override { LogCapture::clear(); }

    static guest::GuestSocket connectMiscGuest()
    {
        const int before = LogCapture::count("misc new connection");
        guest::GuestSocket guest = connectGuest(kMiscPort);
        EXPECT_TRUE(LogCapture::waitForCount("misc new connection", before + 1));
        return guest;
    }

    // Sends a result and waits for the install-end callback it causes.
    static void finish(guest::GuestSocket &guest, const Bytes &result = kResultOk)
    {
        const std::size_t before = endedCount();
        sendBytes(guest, result);
        ASSERT_TRUE(waitUntil([before] { return endedCount() == before + 1; }));
    }
};

} // namespace

// First: no misc connection has been made yet in this process.
TEST_F(InstallTest, WithoutAGuestTheRequestIsDropped)
{
    pm_install("C:/apps", "game.apk");
    EXPECT_EQ(LogCapture::count("try to install  C:/apps   game.apk"), 1);
    EXPECT_EQ(LogCapture::count("pm install no client connected"), 1);
    EXPECT_EQ(g_vm.countCalls("create"), 0);
}

TEST_F(InstallTest, RequestFollowsTheSharedFolderAndTheResultRemovesIt)
{
    guest::GuestSocket guest = connectMiscGuest();
    const std::size_t begun = begunCount();
    pm_install("C:/apps", "game.apk");
    expectBytes(guest, {0x00, 0x03, 0x24, 0x33,  // package install
                        0x00, 0x00, 0x00, 0x01,  // request
                        0x00, 0x00, 0x00, 0x08,  // 8 name bytes
                        'g',  'a',  'm',  'e',   // game
                        '.',  'a',  'p',  'k'}); // .apk
    EXPECT_EQ(g_vm.calls().back(), "create apk C:/apps");
    ASSERT_TRUE(waitUntil([begun] { return begunCount() == begun + 1; }));
    EXPECT_EQ(g_begun.back(), "game.apk");

    finish(guest, {0x00, 0x03, 0x24, 0x33, // package install
                   0x00, 0x00, 0x00, 0x00, // result 0
                   0x00, 0x00, 0x00, 0x02, // 2 text bytes
                   'o', 'k'});
    EXPECT_EQ(lastEnded(), (std::pair<std::string, int>{"ok", 0}));
    EXPECT_EQ(g_vm.calls().back(), "remove apk");
    EXPECT_FALSE(g_vm.hasShare("apk"));
}

TEST_F(InstallTest, SecondInstallWaitsForTheFirstResult)
{
    guest::GuestSocket guest = connectMiscGuest();
    const int created = g_vm.countCalls("create");
    pm_install("/home/user/a", "first.apk");
    pm_install("/home/user/b", "second.apk");
    expectBytes(guest, installRequest("first.apk"));
    ASSERT_TRUE(LogCapture::waitFor("wait remove shared folder"));
    EXPECT_EQ(g_vm.countCalls("create"), created + 1) << "the second folder is not shared yet";

    finish(guest);
    expectBytes(guest, installRequest("second.apk"));
    const std::vector<std::string> calls = g_vm.calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "remove apk");
    EXPECT_EQ(calls.back(), "create apk /home/user/b");
    finish(guest);
}

// A result that arrives while the queue is idle must not let a later
// install through while the next folder is still shared.
TEST_F(InstallTest, EarlierResultDoesNotReleaseALaterInstall)
{
    guest::GuestSocket guest = connectMiscGuest();
    pm_install("/a", "a.apk");
    expectBytes(guest, installRequest("a.apk"));
    finish(guest);
    pm_install("/b", "b.apk");
    expectBytes(guest, installRequest("b.apk"));
    pm_install("/c", "c.apk");
    ASSERT_TRUE(LogCapture::waitFor("wait remove shared folder"));
    finish(guest);
    expectBytes(guest, installRequest("c.apk"));
    EXPECT_EQ(LogCapture::count("get notified, by still has folder"), 0);
    finish(guest);
}

TEST_F(InstallTest, FolderThatCannotBeSharedDropsTheRequest)
{
    guest::GuestSocket guest = connectMiscGuest();
    const std::size_t begun = begunCount();
    g_vm.setCreateResult(1);
    pm_install("/denied", "denied.apk");
    ASSERT_TRUE(LogCapture::waitFor("create shared foilder error /denied"));
    EXPECT_TRUE(waitUntil([] { return g_vm.calls().back() == "remove apk"; }));
    g_vm.setCreateResult(0);

    pm_install("/fine", "fine.apk");
    expectBytes(guest, installRequest("fine.apk"));
    EXPECT_TRUE(waitUntil([begun] { return begunCount() == begun + 1; }));
    EXPECT_EQ(g_begun.back(), "fine.apk") << "no begin for the dropped request";
    finish(guest);
}

TEST_F(InstallTest, OverlongResultTextIsCutToItsField)
{
    guest::GuestSocket guest = connectMiscGuest();
    const std::string text(3000, 'x');
    finish(guest, Bytes{0x00, 0x03, 0x24, 0x33, // package install
                        0x00, 0x00, 0x00, 0x01, // result 1
                        0x00, 0x00, 0x0B, 0xB8} // 3000 text bytes
                      + textBytes(text));
    EXPECT_EQ(lastEnded(), (std::pair<std::string, int>{std::string(1023, 'x'), 1}));
    EXPECT_EQ(LogCapture::count("pm result text cut to 1023 of 3000"), 1);

    // The rest of the text was read: the next message is understood.
    finish(guest);
    EXPECT_EQ(lastEnded(), (std::pair<std::string, int>{"ok", 1}));
}

TEST_F(InstallTest, BrokenResultsAreLoggedAndCallNothing)
{
    struct Row
    {
        const char *name;
        Bytes message;
        const char *log;
    };
    const Row rows[] = {
        {"result cut short", {0x00, 0x03, 0x24, 0x33, 0x00, 0x00, 0x00}, "pm read result failed"},
        {"text cut short",
         {0x00, 0x03, 0x24, 0x33, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x05, 'a', 'b'},
         "pm read data failed"},
        {"negative length",
         {0x00, 0x03, 0x24, 0x33, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFE},
         "pm read data failed"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t ended = endedCount();
        guest::GuestSocket guest = connectMiscGuest();
        sendBytes(guest, row.message);
        guest.close();
        EXPECT_TRUE(LogCapture::waitFor(row.log));
        LogCapture::clear();
        EXPECT_EQ(endedCount(), ended);
    }
}

// A stop racing a worker that has just taken a request and is about to
// wait for the shared folder must still end it: the stop's wake-up must not
// be lost to the worker clearing its folder event.
TEST_F(InstallTest, StopRacingAWorkerAboutToWaitForTheFolderEndsIt)
{
    guest::GuestSocket guest = connectMiscGuest();
    // Shared for the whole test: every request waits for its removal.
    ASSERT_EQ(g_vm.createSharedFolder(QStringLiteral("apk"), QStringLiteral("/held")), 0);
    for (int round = 0; round < 300; ++round) {
        std::atomic<bool> go{false};
        auto stopping = std::async(std::launch::async, [&go, round] {
            while (!go.load()) {
            }
            // A different moment of the worker's progress each round.
            for (volatile int spin = 0; spin < (round % 60) * 40; spin = spin + 1) {
            }
            service::installQueueStop();
        });
        pm_install("/race", "race.apk");
        go = true;
        ASSERT_EQ(stopping.wait_for(10s), std::future_status::ready) << "round " << round;
        service::installQueueStart();
    }
    g_vm.removeSharedFolder(QStringLiteral("apk"));
}

// Last: stops the queue for good.
TEST_F(InstallTest, StopEndsAWorkerThatWaitsForAResult)
{
    guest::GuestSocket guest = connectMiscGuest();
    pm_install("/one", "one.apk");
    expectBytes(guest, installRequest("one.apk"));
    pm_install("/two", "two.apk");
    ASSERT_TRUE(LogCapture::waitFor("wait remove shared folder"));
    auto stopping = std::async(std::launch::async, misc_stop);
    EXPECT_EQ(stopping.wait_for(10s), std::future_status::ready);
    stopping.wait();
    EXPECT_EQ(g_vm.countCalls("create apk /two"), 0);
}
