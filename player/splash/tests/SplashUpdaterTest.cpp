// The splash updater against a small web server on loopback that answers
// each path with a scripted response, and the real VM folder and shared
// store.

#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/BoundedGet.h"
#include "splash/SplashUpdater.h"
#include "QueryItems.h"
#include "ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QNetworkReply>


namespace {

QByteArray png(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs the event loop until the condition holds or 10 s passed.
template <typename Condition>
bool eventually(Condition condition)
{
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

const QString kBackground = QStringLiteral("/splash_bg.png");
const QString kForeground = QStringLiteral("/splash_fg.png");
const QString kHelps = QStringLiteral("/splashHelps.txt");

class SplashUpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.listen());
        m_shared.setValue(SettingsKeys::kServiceUrl, m_server.url(QString()));
        for (const QString &name : {kBackground, kForeground, kHelps})
            QFile::remove(vmFolder() + name);
    }

    void TearDown() override
    {
        for (const char *key : {SettingsKeys::kServiceUrl, SettingsKeys::kSplashVersion,
                                SettingsKeys::kHelpTextColor, SettingsKeys::kSplashBgStrech})
            m_shared.remove(QString::fromLatin1(key));
    }

    // Sends the service request and waits until `requests` requests have
    // arrived and every answer has been handled (handled replies go).
    void update(int requests)
    {
        m_updater.requestSplash();
        ASSERT_TRUE(eventually([&] {
            return m_server.targets().size() >= requests && m_updater.findChildren<QNetworkReply *>().isEmpty();
        }));
    }

    QList<QPair<QString, QString>> serviceQuery(int index) const
    {
        const QByteArray target = m_server.targets().value(index);
        EXPECT_TRUE(target.startsWith("/api/client/splash?")) << target.toStdString();
        return decodeQuery(target.mid(target.indexOf('?') + 1));
    }

    QVariant stored(const char *key) const { return m_shared.value(QString::fromLatin1(key)); }

    ScriptedHttpServer m_server;
    SettingsStore m_shared{QString::fromLatin1(SettingsStore::kSharedApplication)};
    SplashUpdater m_updater;
};

} // namespace

// A version holds what the service chose ('+' of "1.0+2" included) and is
// read back as it was stored.
TEST_F(SplashUpdaterTest, QueryCarriesTheStoredVersionOnlyWhenThereIsOne)
{
    m_server.answer("/api/client/splash", R"({"hasUpdate": true, "splashVersion": "1.0+2 &c"})");
    update(1);
    const auto first = serviceQuery(0);
    EXPECT_EQ(queryKeys(first), (QStringList{QStringLiteral("appVer"), QStringLiteral("channelId")}));
    // The version this test program embeds (beside the host report's test).
    EXPECT_EQ(first.value(0).second, QStringLiteral("5.6.7-report"));
    EXPECT_EQ(stored(SettingsKeys::kSplashVersion), QVariant(QStringLiteral("1.0+2 &c")));
    EXPECT_EQ(m_server.targets().size(), 1) << "a version-only answer downloads nothing";

    update(2);
    const auto second = serviceQuery(1);
    EXPECT_EQ(queryKeys(second),
              (QStringList{QStringLiteral("appVer"), QStringLiteral("channelId"), QStringLiteral("splashVersion")}));
    EXPECT_EQ(second.value(2).second, QStringLiteral("1.0+2 &c"));
}

struct IgnoredAnswer
{
    const char *name;
    QByteArray body;
    QByteArray status;
};

class SplashUpdaterIgnoredAnswerTest : public SplashUpdaterTest, public ::testing::WithParamInterface<IgnoredAnswer>
{
};

// Each answer names a download and a version, which must be left alone.
TEST_P(SplashUpdaterIgnoredAnswerTest, StoresAndDownloadsNothing)
{
    m_server.answer("/bg.png", png(QSize(4, 4), Qt::red));
    QByteArray body = GetParam().body;
    body.replace("BG", m_server.url(QStringLiteral("/bg.png")).toUtf8());
    m_server.answer("/api/client/splash", body, GetParam().status);
    update(1);
    EXPECT_EQ(m_server.targets().size(), 1);
    EXPECT_FALSE(m_shared.contains(QString::fromLatin1(SettingsKeys::kSplashVersion)));
    EXPECT_FALSE(QFile::exists(vmFolder() + kBackground));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SplashUpdaterIgnoredAnswerTest,
    ::testing::Values(
        IgnoredAnswer{"HasUpdateAsAString", R"({"hasUpdate": "true", "splashBgUrl": "BG", "splashVersion": "8"})",
                      "200 OK"},
        IgnoredAnswer{"HasUpdateFalse", R"({"hasUpdate": false, "splashBgUrl": "BG", "splashVersion": "8"})",
                      "200 OK"},
        IgnoredAnswer{"NotJson", R"(hasUpdate: true, splashBgUrl: BG)", "200 OK"},
        IgnoredAnswer{"ServerError", R"({"hasUpdate": true, "splashBgUrl": "BG", "splashVersion": "8"})",
                      "500 Internal Server Error"},
        IgnoredAnswer{"OverLong",
                      R"({"hasUpdate": true, "splashBgUrl": "BG", "splashVersion": "8", "pad": ")"
                          + QByteArray(int(BoundedGet::kPageBytes), 'x') + R"("})",
                      "200 OK"}),
    [](const ::testing::TestParamInfo<IgnoredAnswer> &info) { return std::string(info.param.name); });

TEST_F(SplashUpdaterTest, UpdateStoresTheValuesAndWritesTheThreeFiles)
{
    const QByteArray background = png(QSize(8, 6), Qt::blue);
    const QByteArray foreground = png(QSize(5, 9), Qt::green);
    const QByteArray helps = "第一行\n\nthird line\n";
    m_server.answer("/files/bg.png", background);
    m_server.answer("/files/fg.png", foreground);
    m_server.answer("/files/helps.txt", helps);
    const QString answer = QStringLiteral(R"({"hasUpdate": true, "splashBgUrl": "%1", "splashFgUrl": "%2",
        "helpFileUrl": "%3", "helpTextColor": "#ff8800", "splashBgStrech": true, "splashVersion": "9"})")
                               .arg(m_server.url(QStringLiteral("/files/bg.png")),
                                    m_server.url(QStringLiteral("/files/fg.png")),
                                    m_server.url(QStringLiteral("/files/helps.txt")));
    m_server.answer("/api/client/splash", answer.toUtf8());
    update(4);

    EXPECT_EQ(readFile(vmFolder() + kBackground), background);
    EXPECT_EQ(readFile(vmFolder() + kForeground), foreground);
    EXPECT_EQ(readFile(vmFolder() + kHelps), helps);
    EXPECT_EQ(stored(SettingsKeys::kHelpTextColor), QVariant(QStringLiteral("#ff8800")));
    EXPECT_EQ(stored(SettingsKeys::kSplashBgStrech), QVariant(true));
    EXPECT_EQ(stored(SettingsKeys::kSplashVersion), QVariant(QStringLiteral("9")));
}

// The guest shows again (a reconnect) while a picture is still coming: the
// second answer names no pictures, and the first download still lands.
TEST_F(SplashUpdaterTest, ALaterAnswerWithoutUrlsKeepsADownloadInFlight)
{
    const QByteArray background = png(QSize(4, 4), Qt::magenta);
    m_server.answerSlowly("/bg.png", background, 10);
    m_server.answer("/api/client/splash",
                    QStringLiteral(R"({"hasUpdate": true, "splashBgUrl": "%1", "splashVersion": "11"})")
                        .arg(m_server.url(QStringLiteral("/bg.png")))
                        .toUtf8());
    m_updater.requestSplash();
    ASSERT_TRUE(m_server.waitForRequests(2));
    m_server.answer("/api/client/splash", R"({"hasUpdate": true, "splashVersion": "12"})");
    update(3);
    EXPECT_EQ(readFile(vmFolder() + kBackground), background);
    EXPECT_EQ(stored(SettingsKeys::kSplashVersion), QVariant(QStringLiteral("12")));
}

TEST_F(SplashUpdaterTest, InvalidColourIsNotStored)
{
    m_shared.setValue(QString::fromLatin1(SettingsKeys::kHelpTextColor), QStringLiteral("#123456"));
    m_server.answer("/api/client/splash",
                    R"({"hasUpdate": true, "helpTextColor": "no-such-colour", "splashBgStrech": "yes"})");
    update(1);
    EXPECT_EQ(stored(SettingsKeys::kHelpTextColor), QVariant(QStringLiteral("#123456")));
    EXPECT_EQ(stored(SettingsKeys::kSplashBgStrech), QVariant(false)) << "a non-boolean counts as false";
}

// A hostile or broken service must not get a local file copied into the
// splash folder, named by URL or by a path that tolerant parsing takes as one.
TEST_F(SplashUpdaterTest, LocalFilesAreNeverFetched)
{
    const QString local = QDir(QDir::tempPath()).filePath(QStringLiteral("local-helps.txt"));
    const QString picture = QDir(QDir::tempPath()).filePath(QStringLiteral("local.png"));
    ASSERT_TRUE(writeFile(local, "secret\n") && writeFile(picture, png(QSize(4, 4), Qt::red)));
    const QString answer = QStringLiteral(R"({"hasUpdate": true, "helpFileUrl": "%1", "splashBgUrl": "%2",
        "splashFgUrl": "qrc:/resources/image/splash_fg.png", "splashVersion": "10"})")
                               .arg(QUrl::fromLocalFile(local).toString(), picture);
    m_server.answer("/api/client/splash", answer.toUtf8());
    update(1);
    EXPECT_EQ(m_server.targets().size(), 1);
    for (const QString &name : {kBackground, kForeground, kHelps})
        EXPECT_FALSE(QFile::exists(vmFolder() + name)) << name.toStdString();
    EXPECT_EQ(stored(SettingsKeys::kSplashVersion), QVariant(QStringLiteral("10")));
}

struct BadDownload
{
    const char *name;
    QByteArray background; // served under /bg.png
    QByteArray helps;      // served under /helps.txt
    bool cut;              // the header promises twice the body
    QByteArray status;
};

class SplashUpdaterBadDownloadTest : public SplashUpdaterTest, public ::testing::WithParamInterface<BadDownload>
{
};

TEST_P(SplashUpdaterBadDownloadTest, LeavesTheOldFilesInPlace)
{
    const QByteArray oldBackground = png(QSize(3, 3), Qt::black);
    const QByteArray oldHelps = "old help\n";
    ASSERT_TRUE(writeFile(vmFolder() + kBackground, oldBackground));
    ASSERT_TRUE(writeFile(vmFolder() + kHelps, oldHelps));
    const BadDownload &bad = GetParam();
    if (bad.cut) {
        m_server.answerCut("/bg.png", bad.background);
        m_server.answerCut("/helps.txt", bad.helps);
    } else {
        m_server.answer("/bg.png", bad.background, bad.status);
        m_server.answer("/helps.txt", bad.helps, bad.status);
    }
    m_server.answer("/api/client/splash",
                    QStringLiteral(R"({"hasUpdate": true, "splashBgUrl": "%1", "helpFileUrl": "%2",
                                      "splashVersion": "10"})")
                        .arg(m_server.url(QStringLiteral("/bg.png")), m_server.url(QStringLiteral("/helps.txt")))
                        .toUtf8());
    update(3);
    EXPECT_EQ(readFile(vmFolder() + kBackground), oldBackground);
    EXPECT_EQ(readFile(vmFolder() + kHelps), oldHelps);
    EXPECT_EQ(stored(SettingsKeys::kSplashVersion), QVariant(QStringLiteral("10")))
        << "the version moves on when the answer arrives";
    QStringList left = QDir(vmFolder()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("splashHelps.txt"), QStringLiteral("splash_bg.png")}))
        << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, SplashUpdaterBadDownloadTest,
    ::testing::Values(BadDownload{"NotFound", png(QSize(4, 4), Qt::red), "new help\n", false, "404 Not Found"},
                      BadDownload{"Truncated", png(QSize(40, 40), Qt::red), "new help\n", true, "200 OK"},
                      BadDownload{"NotWhatItClaims", "<html>not a picture</html>", "\xff\xfe\x00 bad\n", false,
                                  "200 OK"},
                      BadDownload{"Empty", QByteArray(), QByteArray(), false, "200 OK"}),
    [](const ::testing::TestParamInfo<BadDownload> &info) { return std::string(info.param.name); });
