#include "settings/ImeiGenerator.h"
#include "settings/PhoneIdentity.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "TestStore.h"

namespace {

TEST(PhoneIdentityTest, DefaultsAreWrittenBackExceptTheNumber)
{
    const QString app = testApplication();
    SettingsStore store(app);
    const PhoneIdentity first = readPhoneIdentity(store);

    EXPECT_EQ(first.brand, QStringLiteral("Samsung"));
    EXPECT_EQ(first.model, QStringLiteral("SM-G9250"));
    EXPECT_EQ(first.number, QStringLiteral("18000000001"));
    EXPECT_EQ(first.imei.size(), 15);

    SettingsStore reopened(app);
    EXPECT_EQ(reopened.stringValue(SettingsKeys::kBrand), first.brand);
    EXPECT_EQ(reopened.stringValue(SettingsKeys::kModel), first.model);
    EXPECT_EQ(reopened.stringValue(SettingsKeys::kImei), first.imei);
    EXPECT_FALSE(reopened.contains(SettingsKeys::kNumber));

    const PhoneIdentity second = readPhoneIdentity(reopened);
    EXPECT_EQ(second.imei, first.imei) << "the next launch shows the same phone";
}

TEST(PhoneIdentityTest, StoredValuesAreUsedAsTheyAre)
{
    SettingsStore store(testApplication());
    store.setValue(SettingsKeys::kBrand, QStringLiteral("Pixel"));
    store.setValue(SettingsKeys::kModel, QStringLiteral("P7"));
    store.setValue(SettingsKeys::kNumber, QStringLiteral("13912345678"));
    store.setValue(SettingsKeys::kImei, QStringLiteral("490154203237518"));

    const PhoneIdentity identity = readPhoneIdentity(store);
    EXPECT_EQ(identity.brand, QStringLiteral("Pixel"));
    EXPECT_EQ(identity.model, QStringLiteral("P7"));
    EXPECT_EQ(identity.number, QStringLiteral("13912345678"));
    EXPECT_EQ(identity.imei, QStringLiteral("490154203237518"));
}

TEST(PhoneIdentityTest, EmptyValuesAreFilledButAnEmptyNumberStaysEmpty)
{
    SettingsStore store(testApplication());
    for (const char *key : {SettingsKeys::kBrand, SettingsKeys::kModel, SettingsKeys::kNumber, SettingsKeys::kImei})
        store.setValue(key, QString());

    const PhoneIdentity identity = readPhoneIdentity(store);
    EXPECT_EQ(identity.brand, QStringLiteral("Samsung"));
    EXPECT_EQ(identity.model, QStringLiteral("SM-G9250"));
    EXPECT_EQ(identity.number, QString());
    EXPECT_FALSE(identity.imei.isEmpty());
    EXPECT_EQ(store.stringValue(SettingsKeys::kImei), identity.imei);
    EXPECT_EQ(store.stringValue(SettingsKeys::kNumber), QString());
}

} // namespace
