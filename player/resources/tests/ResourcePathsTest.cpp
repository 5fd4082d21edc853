#include "IconBases.h"
#include "resources/PlayerResources.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The resources that other parts of the player read by name, icons aside.
const char *const kNamedFiles[] = {
    ":/lang/zh_CN.qm",
    ":/resources/qss/dark.qss",
    ":/resources/sound/shot.wav",
    ":/resources/sound/shake.wav",
    ":/resources/image/splash_bg.png",
    ":/resources/image/splash_fg.png",
    ":/resources/text/splashHelps.txt",
    ":/resources/image/combinebox_drop_arrow.png",
    ":/resources/image/pushbutton_n.png",
    ":/resources/image/pushbutton_p.png",
};

std::vector<std::string> expectedFiles()
{
    std::vector<std::string> files(std::begin(kNamedFiles), std::end(kNamedFiles));
    for (const char *base : kIconBases) {
        for (const char *state : kIconStates) {
            for (bool doubleDensity : {false, true})
                files.push_back(iconPath(base, state, doubleDensity).toStdString());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> builtInFiles()
{
    std::vector<std::string> files;
    for (const char *root : {":/resources", ":/lang"}) {
        QDirIterator it(QString::fromLatin1(root), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.push_back(it.next().toStdString());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class NamedResource : public ::testing::TestWithParam<std::string> {};

TEST_P(NamedResource, OpensAndHoldsData)
{
    QFile file(QString::fromStdString(GetParam()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << GetParam();
    EXPECT_GT(file.readAll().size(), 0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(EveryPath, NamedResource, ::testing::ValuesIn(expectedFiles()));

TEST(ResourceTree, HoldsExactlyTheNamedFiles)
{
    EXPECT_EQ(builtInFiles(), expectedFiles());
}

TEST(ResourceTree, RegisteringAgainAddsNoSecondCopy)
{
    initPlayerResources();
    initPlayerResources();
    EXPECT_EQ(builtInFiles(), expectedFiles());
}

} // namespace
