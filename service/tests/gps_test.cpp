#include "support/guest_peer.h"
#include "support/log_capture.h"

#include <service/gps.h>
#include <service/misc.h>
#include <service/server_manager.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

using namespace service_test;

namespace {

// Ports 20950-20959 belong to this binary.
constexpr int kMiscPort = 20950;

// Restores the process locale that a test changed.
class ProcessLocale
{
public:
    ProcessLocale() : m_saved(std::setlocale(LC_ALL, nullptr)) {}
    ~ProcessLocale() { std::setlocale(LC_ALL, m_saved.c_str()); }

private:
    std::string m_saved;
};

std::string printfDecimal(double value)
{
    char text[32] = {};
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

class GpsText : public ::testing::TestWithParam<const char *>
{
protected:
    static void SetUpTestSuite()
    {
        LogCapture::install();
        server_manager_init();
        EXPECT_EQ(misc_start(kMiscPort), 1);
        s_guest = new guest::GuestSocket(connectGuest(kMiscPort));
        EXPECT_TRUE(LogCapture::waitFor("misc new connection"));
    }
    static void TearDownTestSuite()
    {
        delete s_guest;
        misc_stop();
        server_manager_cleanup();
    }

    static guest::GuestSocket *s_guest;
};

guest::GuestSocket *GpsText::s_guest = nullptr;

} // namespace

// The same fix text reaches the guest whatever the process locale; a
// comma-decimal locale must really be in force, or the test proves nothing.
TEST_P(GpsText, IsTheSameUnderEveryLocale)
{
    ProcessLocale restore;
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << GetParam() << " is not generated (scripts/install-deps generates it)";
    if (std::string(GetParam()) != "C") {
        ASSERT_EQ(printfDecimal(0.5), "0,500000");
    }

    gps_set_data(108.95312f, 34.27f, 1.0f, 1.0f, 1.0f);
    const std::string text = "108.953117,34.270000,1.000000,1.000000,1.000000";
    expectBytes(*s_guest, ints({0x32432, 3, int(text.size())}) + textBytes(text));

    gps_set_data(-0.5f, -179.25f, 0.0f, 3.4e38f, 1e-7f);
    const std::string extremes = "-0.500000,-179.250000,0.000000,"
                                 "339999995214436424907732413799364296704.000000,0.000000";
    expectBytes(*s_guest, ints({0x32432, 3, int(extremes.size())}) + textBytes(extremes));
    EXPECT_EQ(LogCapture::count("gps set data  " + text), 1);
    LogCapture::clear();
}

INSTANTIATE_TEST_SUITE_P(Locales, GpsText, ::testing::Values("C", "de_DE.UTF-8"),
                         [](const auto &info) {
                             return std::string(info.param) == "C" ? std::string("C")
                                                                   : std::string("German");
                         });
