#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/VendorServiceUrl.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase
{
    const char *stored; // nullptr: key absent
    const char *expected; // "": invalid
};

class VendorServiceUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(VendorServiceUrlTest, PathJoinsTheStoredBase)
{
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    if (GetParam().stored)
        shared.setValue(SettingsKeys::kServiceUrl, QString::fromUtf8(GetParam().stored));
    else
        shared.remove(SettingsKeys::kServiceUrl);

    const QUrl url = vendorServiceUrl(QStringLiteral("/api/client/inforeport"));
    EXPECT_EQ(url.toString(), QString::fromUtf8(GetParam().expected));
    shared.remove(SettingsKeys::kServiceUrl);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, VendorServiceUrlTest,
    ::testing::Values(UrlCase{nullptr, "https://service.corvane.example/api/client/inforeport"},
                      UrlCase{"http://127.0.0.1:24001", "http://127.0.0.1:24001/api/client/inforeport"},
                      UrlCase{"http://127.0.0.1:24001/", "http://127.0.0.1:24001/api/client/inforeport"},
                      UrlCase{"https://vendor.test/v2//", "https://vendor.test/v2/api/client/inforeport"},
                      UrlCase{"not a url", ""},
                      UrlCase{"/relative/only", ""},
                      UrlCase{"", ""}));

} // namespace
