#include "app/ChannelId.h"
#include "app/Paths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct ChannelCase
{
    const char *name;
    const char *content; // nullptr: no file
    const char *expected;
};

class ReadChannelIdTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(ReadChannelIdTest, FirstLineOrTheBuiltInIdentifier)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("channel.txt"));
    if (GetParam().content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().content);
    }
    EXPECT_EQ(readChannelId(path), QString::fromLatin1(GetParam().expected));
}

const ChannelCase kChannelCases[] = {
    {"NoFile", nullptr, "Hd82KsPq0v"},
    {"EmptyFile", "", "Hd82KsPq0v"},
    {"OneLine", "store42", "store42"},
    {"LineFeed", "store42\nrest", "store42"},
    {"CarriageReturnLineFeed", "store42\r\n", "store42"},
    {"EmptyFirstLine", "\nstore42\n", "Hd82KsPq0v"},
    {"NoTrimming", "  store 42 \n", "  store 42 "},
};

INSTANTIATE_TEST_SUITE_P(Files, ReadChannelIdTest, ::testing::ValuesIn(kChannelCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ChannelIdTest, ReadsTheInstallFoldersFileOnce)
{
    const QString first = channelId();
    EXPECT_EQ(first, readChannelId(channelFilePath()));
    EXPECT_EQ(channelId(), first);
}

} // namespace
