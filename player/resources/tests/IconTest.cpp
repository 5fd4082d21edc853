#include "IconBases.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdlib>
#include <string>

namespace {

constexpr int kIconSize = 48;

QImage loadIcon(const char *base, const char *state, bool doubleDensity)
{
    return QImage(iconPath(base, state, doubleDensity)).convertToFormat(QImage::Format_ARGB32);
}

int alphaAt(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// The colour of the glyph's solid pixels: every fully opaque pixel has it.
QColor solidColour(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (alphaAt(image, x, y) == 255)
                return QColor::fromRgba(image.pixel(x, y));
        }
    }
    return QColor();
}

bool sameAlpha(const QImage &a, const QImage &b)
{
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (alphaAt(a, x, y) != alphaAt(b, x, y))
                return false;
        }
    }
    return true;
}

class Icon : public ::testing::TestWithParam<const char *> {};

TEST_P(Icon, EveryStateLoadsWithAGlyphOnATransparentGround)
{
    for (const char *state : kIconStates) {
        for (bool doubleDensity : {false, true}) {
            SCOPED_TRACE(iconPath(GetParam(), state, doubleDensity).toStdString());
            const QImage image = loadIcon(GetParam(), state, doubleDensity);
            ASSERT_FALSE(image.isNull());
            const int size = doubleDensity ? 2 * kIconSize : kIconSize;
            ASSERT_EQ(image.size(), QSize(size, size));
            EXPECT_TRUE(solidColour(image).isValid()) << "no solid glyph";
            int edgeAlpha = 0;
            for (int i = 0; i < size; ++i) {
                edgeAlpha += alphaAt(image, i, 0) + alphaAt(image, i, size - 1)
                    + alphaAt(image, 0, i) + alphaAt(image, size - 1, i);
            }
            EXPECT_EQ(edgeAlpha, 0) << "the glyph touches the edge";
        }
    }
}

TEST_P(Icon, StatesRecolourTheSameGlyph)
{
    for (bool doubleDensity : {false, true}) {
        const QImage normal = loadIcon(GetParam(), "_normal", doubleDensity);
        const QImage hover = loadIcon(GetParam(), "_hover", doubleDensity);
        const QImage pressed = loadIcon(GetParam(), "_pressed", doubleDensity);
        EXPECT_TRUE(sameAlpha(normal, hover));
        EXPECT_TRUE(sameAlpha(normal, pressed));
        EXPECT_NE(normal, hover);
        EXPECT_NE(normal, pressed);
        EXPECT_NE(hover, pressed);

        // Light grey at rest, white under the pointer, a tinted accent when held.
        const QColor rest = solidColour(normal);
        EXPECT_EQ(rest.saturation(), 0);
        EXPECT_GT(rest.lightness(), 150);
        EXPECT_EQ(solidColour(hover), QColor(Qt::white));
        EXPECT_GT(solidColour(pressed).saturation(), 100);
    }
}

TEST_P(Icon, DoubleDensityDrawsTheSameGlyph)
{
    for (const char *state : kIconStates) {
        const QImage single = loadIcon(GetParam(), state, false);
        const QImage doubled = loadIcon(GetParam(), state, true);
        long totalDifference = 0;
        for (int y = 0; y < kIconSize; ++y) {
            for (int x = 0; x < kIconSize; ++x) {
                const int averaged = (alphaAt(doubled, 2 * x, 2 * y) + alphaAt(doubled, 2 * x + 1, 2 * y)
                                      + alphaAt(doubled, 2 * x, 2 * y + 1) + alphaAt(doubled, 2 * x + 1, 2 * y + 1))
                    / 4;
                totalDifference += std::abs(averaged - alphaAt(single, x, y));
            }
        }
        // Edges are anti-aliased differently at each density; the glyph is the same.
        EXPECT_LT(totalDifference / double(kIconSize * kIconSize), 8.0) << state;
    }
}

std::string iconName(const ::testing::TestParamInfo<const char *> &info)
{
    const std::string path = info.param;
    return path.substr(path.rfind('/') + 1);
}

INSTANTIATE_TEST_SUITE_P(ToolBar, Icon, ::testing::ValuesIn(kIconBases), iconName);

// The record button paints its blinking light over the icon, in the 10 x 10
// square 15 px from its right edge and 5 px from its top.
TEST(RecordIcon, LeavesTheCornerOfTheRecordingLightClear)
{
    for (bool doubleDensity : {false, true}) {
        const int scale = doubleDensity ? 2 : 1;
        const QImage image = loadIcon(":/resources/image/record", "_normal", doubleDensity);
        int alpha = 0;
        for (int y = 5 * scale; y < 15 * scale; ++y) {
            for (int x = (kIconSize - 15) * scale; x < (kIconSize - 5) * scale; ++x)
                alpha += alphaAt(image, x, y);
        }
        EXPECT_EQ(alpha, 0) << "at density " << scale;
    }
}

} // namespace
