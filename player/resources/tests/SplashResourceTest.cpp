#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTextStream>

namespace {

QImage load(const char *path)
{
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32);
}

bool everyPixelOpaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
        }
    }
    return true;
}

// The background is laid as a tile under everything: it must cover.
TEST(SplashPictures, BackgroundIsAnOpaqueTileOfItsSize)
{
    const QImage background = load(":/resources/image/splash_bg.png");
    ASSERT_EQ(background.size(), QSize(202, 192));
    EXPECT_TRUE(everyPixelOpaque(background));
}

// The foreground is drawn over the background, which shows around it.
TEST(SplashPictures, ForegroundStandsOnATransparentGround)
{
    const QImage foreground = load(":/resources/image/splash_fg.png");
    ASSERT_EQ(foreground.size(), QSize(470, 560));
    EXPECT_EQ(qAlpha(foreground.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(foreground.pixel(469, 559)), 0);
    EXPECT_EQ(qAlpha(foreground.pixel(235, 280)), 255);
}

// Read as the splash reads them: UTF-8, line by line to the end.
TEST(SplashHelpTexts, AreTheSixLines)
{
    QFile file(QStringLiteral(":/resources/text/splashHelps.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QStringList lines;
    while (!stream.atEnd())
        lines << stream.readLine();
    const QStringList expected = {
        QString::fromUtf8("Pellow手游助手将根据您电脑的硬件配置自动最优化处理，但您也可以在设置窗口中配置各种参数"),
        QString::fromUtf8("将apk文件直接拖入Pellow手游助手窗口即可安装！"),
        QString::fromUtf8("截屏和录制视频自动保存至您电脑的桌面上，您也可以在设置中修改保存路径！"),
        QString::fromUtf8("Ctrl+Alt+X一键隐藏本窗口，老板来了我要认真工作！"),
        QString::fromUtf8("在部分游戏中可以按住Ctrl键的同时鼠标滚轮即可放大缩小地图"),
        QString::fromUtf8("射击类游戏中如果配置了FPS支持鼠标右键开关鼠标锁定，左键开枪"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(SettingsDialogImages, DropArrowHasAGlyph)
{
    const QImage arrow = load(":/resources/image/combinebox_drop_arrow.png");
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(qAlpha(arrow.pixel(0, 0)), 0);
    int solid = 0;
    for (int y = 0; y < arrow.height(); ++y) {
        for (int x = 0; x < arrow.width(); ++x)
            solid += qAlpha(arrow.pixel(x, y)) == 255 ? 1 : 0;
    }
    EXPECT_GT(solid, 0);
}

// The push-button images are border images with 4 px borders: they need a
// middle to stretch, and the pressed one must look different.
TEST(SettingsDialogImages, PushButtonImagesFitTheirBorders)
{
    const QImage normal = load(":/resources/image/pushbutton_n.png");
    const QImage pressed = load(":/resources/image/pushbutton_p.png");
    ASSERT_FALSE(normal.isNull());
    ASSERT_EQ(pressed.size(), normal.size());
    EXPECT_GT(normal.width(), 8);
    EXPECT_GT(normal.height(), 8);
    const QPoint middle(normal.width() / 2, normal.height() / 2);
    EXPECT_EQ(qAlpha(normal.pixel(middle)), 255);
    EXPECT_EQ(qAlpha(pressed.pixel(middle)), 255);
    EXPECT_NE(normal.pixel(middle), pressed.pixel(middle));
    EXPECT_NE(normal.pixel(normal.width() / 2, 0), pressed.pixel(normal.width() / 2, 0));
}

} // namespace
