#include "TestSupport.h"
#include "VdiReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QUuid kUuid(QStringLiteral("{1D4B7A4F-0c2e-4f6a-9a1b-C0FFEE123456}"));

TEST(VdiReader, ReadsTheImageUuidInTheDefinitionsForm)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("disk.vdi"));
    writeFile(path, vdiHeader(kUuid));
    EXPECT_EQ(VdiReader::imageUuid(path), QStringLiteral("{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}"));
}

TEST(VdiReader, StoresTheFirstThreeFieldsLittleEndian)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("disk.vdi"));
    QByteArray header = vdiHeader(QUuid());
    const unsigned char bytes[16] = {0x04, 0x03, 0x02, 0x01, 0x06, 0x05, 0x08, 0x07,
                                     0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10};
    header.replace(0x188, 16, reinterpret_cast<const char *>(bytes), 16);
    writeFile(path, header);
    EXPECT_EQ(VdiReader::imageUuid(path), QStringLiteral("{01020304-0506-0708-090a-0b0c0d0e0f10}"));
}

struct BadImage
{
    const char *what;
    std::function<QByteArray()> bytes;
};

class VdiReaderRejects : public ::testing::TestWithParam<BadImage>
{
};

TEST_P(VdiReaderRejects, WithAnEmptyText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("disk.vdi"));
    writeFile(path, GetParam().bytes());
    EXPECT_EQ(VdiReader::imageUuid(path), QString());
}

QByteArray withU32(quint32 offset, quint32 value)
{
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    return vdiHeader(kUuid).replace(int(offset), 4, bytes, 4);
}

INSTANTIATE_TEST_SUITE_P(
    NotVdi, VdiReaderRejects,
    ::testing::Values(BadImage{"empty", [] { return QByteArray(); }},
                      BadImage{"text", [] { return QByteArray("hello, this is not a disk image\n").repeated(20); }},
                      BadImage{"truncated before the UUID", [] { return vdiHeader(kUuid).left(0x190); }},
                      BadImage{"wrong signature", [] { return withU32(0x40, 0xdeadbeef); }},
                      BadImage{"version 2", [] { return withU32(0x44, 0x00020000); }},
                      BadImage{"header too small", [] { return withU32(0x48, 0x40); }},
                      BadImage{"null UUID", [] { return vdiHeader(QUuid()); }}),
    [](const ::testing::TestParamInfo<BadImage> &info) {
        std::string name = info.param.what;
        for (char &c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(VdiReader, MissingFileGivesEmptyText)
{
    QTemporaryDir dir;
    EXPECT_EQ(VdiReader::imageUuid(dir.filePath(QStringLiteral("none.vdi"))), QString());
    EXPECT_EQ(VdiReader::imageUuid(dir.path()), QString());
}

} // namespace
