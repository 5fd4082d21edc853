// Install requests: the file is looked up in the "apk" share as the shares
// file names it at the time of the request; names that could leave the
// share are refused before anything is opened.

#include "InstallHandler.h"
#include "TestZip.h"

#include <SimStateFormat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class InstallFromShare : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_state.isValid());
        ASSERT_TRUE(m_share.isValid());
        shareApkFolder(m_share.path());
        writeFile(m_share.filePath(QStringLiteral("game.apk")),
                  testzip::make({{"AndroidManifest.xml",
                                  testzip::manifest(QStringLiteral("com.example.game"))}}));
        writeFile(m_share.filePath(QStringLiteral("Racer.APK")),
                  testzip::make({{"AndroidManifest.xml", QByteArray("\x03\x00\x08\x00", 4)}}));
        writeFile(m_share.filePath(QStringLiteral("notes.apk")),
                  "just some notes, long enough to be read as a possible zip");
        QDir(m_share.path()).mkdir(QStringLiteral("folder.apk"));
        // Outside the share, reachable only by a path that leaves it.
        writeFile(
            m_state.filePath(QStringLiteral("secret.apk")),
            testzip::make({{"AndroidManifest.xml", testzip::manifest(QStringLiteral("secret"))}}));
    }

    void shareApkFolder(const QString &folder)
    {
        const std::string text =
            simstate::formatEntries({{"apk", folder.toStdString()}, {"other", "/tmp"}});
        writeFile(sharesFile(), QByteArray::fromStdString(text));
    }

    QString sharesFile() const { return m_state.filePath(QStringLiteral("shares")); }

    install::Outcome installing(const std::string &file)
    {
        return install::installFromShare(sharesFile(), file);
    }

    QTemporaryDir m_state;
    QTemporaryDir m_share;
};

TEST_F(InstallFromShare, AnApkWithAPlainManifestInstallsUnderItsPackage)
{
    const install::Outcome outcome = installing("game.apk");
    EXPECT_EQ(outcome.result, install::kInstalled);
    EXPECT_EQ(outcome.text, QStringLiteral("com.example.game"));
    EXPECT_EQ(outcome.appName, QStringLiteral("com.example.game"));
}

TEST_F(InstallFromShare, AnApkWithABinaryManifestInstallsUnderItsFileName)
{
    const install::Outcome outcome = installing("Racer.APK");
    EXPECT_EQ(outcome.result, install::kInstalled);
    EXPECT_EQ(outcome.appName, QStringLiteral("Racer"));
}

TEST_F(InstallFromShare, RefusalsCarryAResultAndAReason)
{
    struct Case
    {
        std::string file;
        std::int32_t result;
        QString reasonPart;
    };
    const Case cases[] = {
        {"notes.apk", install::kInvalidApk, QStringLiteral("notes.apk is not an APK: not a zip")},
        {"missing.apk", install::kInvalidUri, QStringLiteral("missing.apk not found")},
        {"folder.apk", install::kInvalidUri, QStringLiteral("folder.apk not found")},
        {"../secret.apk", install::kInvalidUri, QStringLiteral("not a plain file name")},
        {"sub/game.apk", install::kInvalidUri, QStringLiteral("not a plain file name")},
        {"..\\secret.apk", install::kInvalidUri, QStringLiteral("not a plain file name")},
        {"..", install::kInvalidUri, QStringLiteral("not a plain file name")},
        {"", install::kInvalidUri, QStringLiteral("not a plain file name")},
        {std::string("game.apk\0x", 10), install::kInvalidUri,
         QStringLiteral("not a plain file name")},
        {"bad\xff.apk", install::kInvalidUri, QStringLiteral("not a plain file name")},
    };
    for (const Case &c : cases) {
        const install::Outcome outcome = installing(c.file);
        EXPECT_EQ(outcome.result, c.result) << c.file;
        EXPECT_TRUE(outcome.text.contains(c.reasonPart))
            << c.file << ": " << qPrintable(outcome.text);
        EXPECT_TRUE(outcome.appName.isEmpty()) << c.file;
    }
}

TEST_F(InstallFromShare, WithoutTheApkShareNothingIsOpened)
{
    writeFile(sharesFile(), "other=/tmp\n");
    const install::Outcome outcome = installing("game.apk");
    EXPECT_EQ(outcome.result, install::kInvalidUri);
    EXPECT_TRUE(outcome.text.contains(QStringLiteral("no shared folder \"apk\"")));
    QFile::remove(sharesFile());
    EXPECT_EQ(installing("game.apk").result, install::kInvalidUri);
}

// The share is read at the time of each request, not remembered.
TEST_F(InstallFromShare, FollowsTheShareAsItChanges)
{
    QTemporaryDir second;
    ASSERT_TRUE(second.isValid());
    writeFile(
        second.filePath(QStringLiteral("other.apk")),
        testzip::make({{"AndroidManifest.xml", testzip::manifest(QStringLiteral("org.other"))}}));
    EXPECT_EQ(installing("other.apk").result, install::kInvalidUri);
    shareApkFolder(second.path());
    EXPECT_EQ(installing("other.apk").appName, QStringLiteral("org.other"));
}

TEST(Utf8Prefix, CutsAtCharacterBoundaries)
{
    struct Case
    {
        QString text;
        int maxBytes;
        QByteArray expected;
    };
    const QString e = QString::fromUtf8("\xc3\xa9");            // é: 2 bytes
    const QString ni = QString::fromUtf8("\xe4\xbd\xa0");       // 你: 3 bytes
    const QString face = QString::fromUtf8("\xf0\x9f\x98\x80"); // 4 bytes
    const Case cases[] = {
        {QStringLiteral("abc"), 3, "abc"},
        {QStringLiteral("abcd"), 3, "abc"},
        {QStringLiteral("ab") + e, 3, "ab"},
        {QStringLiteral("ab") + e, 4, "ab\xc3\xa9"},
        {ni + ni, 5, "\xe4\xbd\xa0"},
        {face, 3, ""},
        {QString(), 10, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(install::utf8Prefix(c.text, c.maxBytes), c.expected)
            << qPrintable(c.text) << " " << c.maxBytes;
    const QByteArray long1023 =
        install::utf8Prefix(QString(600, QChar(0xe9)), install::kMaxTextBytes);
    EXPECT_EQ(long1023.size(), 1022);
    EXPECT_TRUE(QString::fromUtf8(long1023).toUtf8() == long1023);
}

} // namespace
