// The APK check reads only a zip's end record, central directory and the
// manifest's local header: sound archives pass, damaged or hostile ones are
// refused with a reason, and nothing is read out of bounds.

#include "ApkInspector.h"
#include "TestZip.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testzip::Entry;

const QByteArray kBinaryManifest("\x03\x00\x08\x00\x10\x02\x00\x00", 8);

QByteArray typicalApk()
{
    return testzip::make(
        {{"AndroidManifest.xml", testzip::manifest(QStringLiteral("com.example.game"))},
         {"classes.dex", QByteArray("dex\n035\0", 8)},
         {"res/layout/main.xml", "<LinearLayout/>"}});
}

ApkInspection inspectBytes(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return inspectApk(buffer);
}

struct ArchiveCase
{
    const char *name;
    std::function<QByteArray()> make;
    bool valid;
    const char *reasonOrPackage; // the package when valid, a part of the reason otherwise
};

void PrintTo(const ArchiveCase &c, std::ostream *out)
{
    *out << c.name;
}

// The central directory's first entry begins where the end record says.
int centralOffset(const QByteArray &zip)
{
    return int(testzip::getU32(zip, testzip::endRecordOffset(zip) + 16));
}

QByteArray withEndField32(int field, std::uint32_t value)
{
    QByteArray zip = typicalApk();
    testzip::putU32(zip, testzip::endRecordOffset(zip) + field, value);
    return zip;
}

QByteArray withEndField16(int field, std::uint16_t value)
{
    QByteArray zip = typicalApk();
    testzip::putU16(zip, testzip::endRecordOffset(zip) + field, value);
    return zip;
}

const ArchiveCase kCases[] = {
    {"typical", typicalApk, true, "com.example.game"},
    {"with archive comment",
     [] {
         return testzip::make({{"AndroidManifest.xml", testzip::manifest("org.demo")}},
                              "built by a test");
     },
     true, "org.demo"},
    {"comment holding a fake end signature",
     [] {
         return testzip::make({{"AndroidManifest.xml", testzip::manifest("org.demo")}},
                              "PK\x05\x06 tail");
     },
     true, "org.demo"},
    {"binary manifest has no readable package",
     [] {
         return testzip::make({{"AndroidManifest.xml", kBinaryManifest}});
     },
     true, ""},
    {"manifest with a hostile package attribute",
     [] {
         return testzip::make({{"AndroidManifest.xml", "<manifest package=\"../../x y\"/>"}});
     },
     true, ""},
    {"no manifest",
     [] {
         return testzip::make({{"classes.dex", "dex"}});
     },
     false, "no AndroidManifest.xml"},
    {"manifest only in a subfolder",
     [] {
         return testzip::make({{"assets/AndroidManifest.xml", testzip::manifest("a.b")}});
     },
     false, "no AndroidManifest.xml"},
    {"empty archive", [] { return testzip::make({}); }, false, "no AndroidManifest.xml"},
    {"empty file", [] { return QByteArray(); }, false, "too short"},
    {"plain text", [] { return QByteArray("this is not a zip archive at all, only words"); }, false,
     "not a zip"},
    {"end record cut off", [] { return typicalApk().chopped(5); }, false, "not a zip"},
    {"central directory beyond the file", [] { return withEndField32(16, 0x7fff0000); }, false,
     "outside"},
    {"central directory size beyond the file", [] { return withEndField32(12, 0x10000000); }, false,
     "outside"},
    {"more entries announced than present", [] { return withEndField16(10, 5); }, false, "split"},
    {"more entries on both counts",
     [] {
         QByteArray zip = withEndField16(10, 5);
         testzip::putU16(zip, testzip::endRecordOffset(zip) + 8, 5);
         return zip;
     },
     false, "damaged"},
    {"fewer entries announced than present",
     [] {
         QByteArray zip = withEndField16(10, 1);
         testzip::putU16(zip, testzip::endRecordOffset(zip) + 8, 1);
         return zip;
     },
     false, "more than its 1 entries"},
    {"zip64 marker", [] { return withEndField32(16, 0xffffffff); }, false, "zip64"},
    {"split archive", [] { return withEndField16(4, 1); }, false, "split"},
    {"entry name running past the directory",
     [] {
         QByteArray zip = typicalApk();
         testzip::putU16(zip, centralOffset(zip) + 28, 0xfff0);
         return zip;
     },
     false, "runs past"},
    {"damaged central entry signature",
     [] {
         QByteArray zip = typicalApk();
         zip[centralOffset(zip)] = 'X';
         return zip;
     },
     false, "damaged"},
    {"manifest local header pointing into the directory",
     [] {
         QByteArray zip = typicalApk();
         testzip::putU32(zip, centralOffset(zip) + 42, std::uint32_t(centralOffset(zip)));
         return zip;
     },
     false, "AndroidManifest.xml entry is damaged"},
    {"manifest local header signature damaged",
     [] {
         QByteArray zip = typicalApk();
         zip[0] = 'X';
         return zip;
     },
     false, "AndroidManifest.xml entry is damaged"},
    {"manifest data longer than the archive",
     [] {
         QByteArray zip = typicalApk();
         testzip::putU32(zip, centralOffset(zip) + 20, 0x00ffffff);
         return zip;
     },
     false, "runs past"},
};

class ApkArchive : public ::testing::TestWithParam<ArchiveCase>
{
};

TEST_P(ApkArchive, IsJudgedAsExpected)
{
    const ArchiveCase &c = GetParam();
    const ApkInspection result = inspectBytes(c.make());
    EXPECT_EQ(result.valid, c.valid) << qPrintable(result.reason);
    if (c.valid) {
        EXPECT_TRUE(result.reason.isEmpty());
        EXPECT_EQ(result.packageName, QString::fromUtf8(c.reasonOrPackage));
    } else {
        EXPECT_TRUE(result.reason.contains(QString::fromUtf8(c.reasonOrPackage)))
            << qPrintable(result.reason);
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, ApkArchive, ::testing::ValuesIn(kCases));

TEST(ApkFile, MissingFileIsRefused)
{
    const ApkInspection result = inspectApk(QStringLiteral("/nonexistent/game.apk"));
    EXPECT_FALSE(result.valid);
    EXPECT_TRUE(result.reason.startsWith(QStringLiteral("cannot be read")));
}

// An archive from a real zip tool, its entries deflated, passes the check
// (the package stays unknown because the manifest is compressed).
TEST(ApkFile, DeflatedArchiveFromPythonPasses)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("real.apk"));
    const QString script =
        QStringLiteral("import sys, zipfile\n"
                       "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                       "    z.writestr('AndroidManifest.xml', '<manifest package=\"a.b\"/>' * 50)\n"
                       "    z.writestr('classes.dex', b'dex' * 1000)\n"
                       "    z.comment = b'made by python'\n");
    ASSERT_EQ(QProcess::execute(python, {QStringLiteral("-c"), script, path}), 0);
    const ApkInspection result = inspectApk(path);
    EXPECT_TRUE(result.valid) << qPrintable(result.reason);
    EXPECT_TRUE(result.packageName.isEmpty());
}

} // namespace
