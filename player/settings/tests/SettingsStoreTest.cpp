#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "TestStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPoint>
#include <QSet>
#include <QStandardPaths>

#include <thread>

namespace {

// The raw backing, bypassing the folding.
QStringList rawKeys(const QString &application)
{
    QSettings raw(QString::fromLatin1(SettingsStore::kOrganisation), application);
    return raw.allKeys();
}

TEST(SettingsStoreTest, KeysMatchWithoutRegardToCase)
{
    const QString app = testApplication();
    {
        SettingsStore dialog(app);
        dialog.setValue(QStringLiteral("bosskey"), QStringLiteral("Ctrl+Alt+Q"));
    }
    SettingsStore window(app);
    EXPECT_EQ(window.stringValue(QStringLiteral("bossKey")), QStringLiteral("Ctrl+Alt+Q"));
    EXPECT_TRUE(window.contains(QStringLiteral("BOSSKEY")));

    window.setValue(QStringLiteral("bossKey"), QStringLiteral("Ctrl+Alt+W"));
    EXPECT_EQ(window.stringValue(QStringLiteral("bosskey")), QStringLiteral("Ctrl+Alt+W"));
    EXPECT_EQ(rawKeys(app), QStringList{QStringLiteral("bosskey")}) << "one entry, not two";

    window.remove(QStringLiteral("BossKey"));
    EXPECT_FALSE(window.contains(QStringLiteral("bosskey")));
}

TEST(SettingsStoreTest, AllKeysAreFolded)
{
    SettingsStore store(testApplication());
    store.setValue(QStringLiteral("splashVersion"), QStringLiteral("3"));
    store.setValue(QStringLiteral("tavenor.gps.longitude"), QStringLiteral("116.4"));
    QStringList keys = store.allKeys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("splashversion"), QStringLiteral("tavenor.gps.longitude")}));
}

TEST(SettingsStoreTest, IntegersReadByConversion)
{
    SettingsStore store(testApplication());
    store.setValue(QStringLiteral("number_key"), 42);
    store.setValue(QStringLiteral("text_key"), QStringLiteral("forty-two"));

    EXPECT_EQ(store.intValue(QStringLiteral("number_key"), 7), 42);
    EXPECT_EQ(store.intValue(QStringLiteral("text_key"), 7), 0) << "a stored non-number reads as 0";
    EXPECT_EQ(store.intValue(QStringLiteral("absent_key"), 7), 7);

    EXPECT_EQ(store.validInt(QStringLiteral("number_key")), 42);
    EXPECT_EQ(store.validInt(QStringLiteral("text_key")), std::nullopt);
    EXPECT_EQ(store.validInt(QStringLiteral("absent_key")), std::nullopt);
}

TEST(SettingsStoreTest, ValuesSurviveAReopenWithTheirTypes)
{
    const QString app = testApplication();
    {
        SettingsStore store(app);
        store.setValue(SettingsKeys::kPos, QPoint(12, -34));
        store.setValue(SettingsKeys::kSplashBgStrech, true);
        store.setValue(SettingsKeys::kBrand, QStringLiteral("Brand \"quoted\" = x; y"));
        store.sync();
    }
    SettingsStore reopened(app);
    EXPECT_EQ(reopened.value(SettingsKeys::kPos).toPoint(), QPoint(12, -34));
    EXPECT_TRUE(reopened.value(SettingsKeys::kSplashBgStrech).toBool());
    EXPECT_EQ(reopened.stringValue(SettingsKeys::kBrand), QStringLiteral("Brand \"quoted\" = x; y"));
}

TEST(SettingsStoreTest, StoresArePerApplicationUnderTheUsersConfigFolder)
{
    const QString second = testApplication() + QStringLiteral("_second");
    SettingsStore instance(second);
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    instance.setValue(SettingsKeys::kPerformance, 2);
    shared.setValue(SettingsKeys::kSplashVersion, QStringLiteral("7"));
    instance.sync();
    shared.sync();

    EXPECT_FALSE(shared.contains(SettingsKeys::kPerformance));
    EXPECT_FALSE(instance.contains(SettingsKeys::kSplashVersion));
    EXPECT_EQ(instance.application(), second);

    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_TRUE(QFileInfo::exists(config + QStringLiteral("/corvane/") + second + QStringLiteral(".conf")));
    EXPECT_TRUE(QFileInfo::exists(config + QStringLiteral("/corvane/tavenor.conf")));
}

TEST(SettingsStoreTest, DialogKeysStayDistinctWhenFolded)
{
    QSet<QString> folded;
    for (const char *key : SettingsKeys::kDialogKeys)
        folded.insert(SettingsStore::foldKey(QString::fromLatin1(key)));
    EXPECT_EQ(folded.size(), 17);
    for (const char *key : SettingsKeys::kRestoreKeys) {
        const QString name = QString::fromLatin1(key);
        const bool geometry = name == QLatin1String(SettingsKeys::kPos)
                              || name == QLatin1String(SettingsKeys::kHeight);
        EXPECT_TRUE(geometry || folded.contains(SettingsStore::foldKey(name))) << key;
    }
}

// Two threads, each with its own store object on the same store, as the
// launch worker and the GUI thread use it; then both on one object.
TEST(SettingsStoreTest, TwoThreadsAtOnce)
{
    const QString app = testApplication();
    constexpr int kRounds = 300;
    auto writer = [&app](const QString &prefix) {
        SettingsStore store(app);
        for (int i = 0; i < kRounds; ++i) {
            store.setValue(prefix + QString::number(i), i);
            store.intValue(QStringLiteral("A0"), -1);
            store.allKeys();
        }
        store.sync();
    };
    std::thread first(writer, QStringLiteral("a"));
    std::thread second(writer, QStringLiteral("B"));
    first.join();
    second.join();

    SettingsStore shared(app);
    auto sharedWriter = [&shared](const QString &prefix) {
        for (int i = 0; i < kRounds; ++i) {
            shared.setValue(prefix + QString::number(i), i);
            shared.contains(QStringLiteral("x1"));
        }
    };
    std::thread third(sharedWriter, QStringLiteral("x"));
    std::thread fourth(sharedWriter, QStringLiteral("y"));
    third.join();
    fourth.join();

    SettingsStore check(app);
    EXPECT_EQ(check.allKeys().size(), 4 * kRounds);
    for (const char *prefix : {"a", "b", "x", "y"})
        EXPECT_EQ(check.intValue(QString::fromLatin1(prefix) + QString::number(kRounds - 1), -1), kRounds - 1);
}

} // namespace
