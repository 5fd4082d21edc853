// The guest's screen: frames go out in the natural 1280 x 720 orientation
// with the layout turned into them, touches (which arrive in that natural
// frame) land on what is drawn there, and every page paints.

#include "ScreenGeometry.h"
#include "ScreenLayout.h"
#include "ScreenPainter.h"

#include <gtest/gtest.h>

namespace {

const int kRotations[] = {0, 90, 180, 270};

QColor pixelAt(const QImage &frame, QPoint point)
{
    return QColor::fromRgba(frame.pixel(point));
}

ScreenState bootedState(int rotation)
{
    ScreenState state;
    state.booted = true;
    state.rotation = rotation;
    state.apps = QStringList{QStringLiteral("com.example.game"), QStringLiteral("Racer")};
    return state;
}

TEST(ScreenGeometry, LayoutTurnsIntoTheNaturalFrame)
{
    EXPECT_EQ(screen::layoutSize(0), QSize(1280, 720));
    EXPECT_EQ(screen::layoutSize(90), QSize(720, 1280));
    EXPECT_EQ(screen::layoutSize(180), QSize(1280, 720));
    EXPECT_EQ(screen::layoutSize(270), QSize(720, 1280));
    // Where the layout's top-left corner lands: the host turns the frame
    // clockwise by the rotation, which brings that corner back to the top left.
    const std::pair<int, QPoint> corners[] = {
        {0, QPoint(0, 0)}, {90, QPoint(0, 720)}, {180, QPoint(1280, 720)}, {270, QPoint(1280, 0)}};
    for (const auto &[rotation, frameCorner] : corners) {
        EXPECT_EQ(screen::layoutToFrame(rotation).map(QPoint(0, 0)), frameCorner) << rotation;
        const QRect frame = screen::layoutToFrame(rotation).mapRect(
            QRect(QPoint(0, 0), screen::layoutSize(rotation)));
        EXPECT_EQ(frame, QRect(0, 0, 1280, 720)) << rotation;
    }
}

// The host's input service maps a portrait window to the guest frame as
// x = y * 1280 / H, y = 720 - x * 720 / W; the guest turned by 90 degrees
// must see a touch at the window's corners at its layout's corners.
TEST(ScreenGeometry, PortraitTouchesMatchTheHostMapping)
{
    const int w = 360;
    const int h = 640;
    auto hostMap = [&](int x, int y) { return QPoint(y * 1280 / h, 720 - x * 720 / w); };
    EXPECT_EQ(screen::frameToLayout(90, hostMap(0, 0)), QPoint(0, 0));
    EXPECT_EQ(screen::frameToLayout(90, hostMap(w, h)), QPoint(720, 1280));
    EXPECT_EQ(screen::frameToLayout(90, hostMap(w, 0)), QPoint(720, 0));
    EXPECT_EQ(screen::frameToLayout(90, hostMap(180, 320)), QPoint(360, 640));
}

TEST(ScreenPainter, MarkerBlockSitsAtTheStatusBarsCornerInEveryRotation)
{
    const std::pair<int, QPoint> markerCentres[] = {{0, QPoint(20, 16)},
                                                    {90, QPoint(16, 700)},
                                                    {180, QPoint(1260, 704)},
                                                    {270, QPoint(1264, 20)}};
    for (const auto &[rotation, centre] : markerCentres) {
        const QImage frame = paintScreen(bootedState(rotation));
        ASSERT_EQ(frame.size(), QSize(1280, 720));
        ASSERT_EQ(frame.format(), QImage::Format_RGBA8888);
        EXPECT_EQ(pixelAt(frame, centre), ScreenLayout::markerColour()) << rotation;
        const QRect block = screen::layoutToFrame(rotation).mapRect(
            ScreenLayout::forSize(screen::layoutSize(rotation)).marker);
        for (const QPoint corner : {block.topLeft(), block.bottomRight() - QPoint(1, 1)})
            EXPECT_EQ(pixelAt(frame, corner), ScreenLayout::markerColour()) << rotation;
    }
    ScreenState booting;
    EXPECT_EQ(pixelAt(paintScreen(booting), QPoint(20, 16)), ScreenLayout::markerColour());
}

TEST(ScreenPainter, RgbaBytesAreInStreamOrder)
{
    const QImage frame = paintScreen(bootedState(0));
    const uchar *pixel = frame.constScanLine(16) + 20 * 4;
    const QColor marker = ScreenLayout::markerColour();
    EXPECT_EQ(pixel[0], marker.red());
    EXPECT_EQ(pixel[1], marker.green());
    EXPECT_EQ(pixel[2], marker.blue());
    EXPECT_EQ(pixel[3], 255);
    EXPECT_EQ(frame.sizeInBytes(), 1280 * 720 * 4);
}

// A touch at a point of the frame presses what the frame shows there.
TEST(ScreenLayout, TouchesPressWhatIsDrawnUnderThem)
{
    using Target = ScreenHit::Target;
    for (int rotation : kRotations) {
        const ScreenState state = bootedState(rotation);
        const ScreenLayout layout = ScreenLayout::forSize(screen::layoutSize(rotation));
        const QImage frame = paintScreen(state);
        const QTransform toFrame = screen::layoutToFrame(rotation);
        const std::pair<QRect, Target> buttons[] = {
            {layout.copyButton, Target::Copy},     {layout.rotateButton, Target::Rotate},
            {layout.gameButton, Target::Game},     {layout.backButton, Target::Back},
            {layout.homeButton, Target::Home},     {layout.recentsButton, Target::Recents},
            {layout.launcherTile(1), Target::App},
        };
        for (const auto &[rect, target] : buttons) {
            ASSERT_FALSE(rect.isEmpty()) << rotation;
            ASSERT_TRUE(QRect(QPoint(0, 0), layout.size).contains(rect)) << rotation;
            const QPoint touch = toFrame.map(rect.center());
            const ScreenHit hit = hitTest(layout, state, screen::frameToLayout(rotation, touch));
            EXPECT_EQ(hit.target, target) << "rotation " << rotation;
            if (target == Target::App) {
                EXPECT_EQ(hit.appIndex, 1);
            }
        }
        // The copy button's face is drawn where its touch area is.
        const QPoint face =
            toFrame.map(QPoint(layout.copyButton.left() + 6, layout.copyButton.center().y()));
        EXPECT_EQ(pixelAt(frame, face), QColor(0x42, 0x85, 0xf4)) << rotation;
        EXPECT_EQ(hitTest(layout, state, layout.textField.center()).target, Target::None);
    }
}

TEST(ScreenLayout, WhatCanBePressedDependsOnThePage)
{
    using Target = ScreenHit::Target;
    const ScreenLayout layout = ScreenLayout::forSize(screen::layoutSize(0));
    ScreenState state = bootedState(0);
    state.booted = false;
    EXPECT_EQ(hitTest(layout, state, layout.homeButton.center()).target, Target::None);

    state = bootedState(0);
    state.editorShown = true;
    EXPECT_EQ(hitTest(layout, state, layout.copyButton.center()).target, Target::None);
    EXPECT_EQ(hitTest(layout, state, layout.editorClose.center()).target, Target::EditorClose);
    EXPECT_EQ(hitTest(layout, state, layout.backButton.center()).target, Target::Back);

    state = bootedState(0);
    state.page = ScreenState::Page::Game;
    EXPECT_EQ(hitTest(layout, state, layout.gameButton.center()).target, Target::None);
    EXPECT_EQ(hitTest(layout, state, layout.homeButton.center()).target, Target::Home);

    state = bootedState(0);
    EXPECT_EQ(hitTest(layout, state, layout.launcherTile(2).center()).target, Target::None)
        << "no third app";
    EXPECT_TRUE(layout.launcherTile(layout.launcherCapacity()).isNull());
    EXPECT_TRUE(layout.launcherTile(-1).isNull());
}

TEST(ScreenPainter, PaintsEveryPageWithAwkwardContent)
{
    ScreenState state = bootedState(90);
    const QString longText(5000, QChar(0x4f60));
    state.brand = longText;
    state.clipboard = longText + QStringLiteral("\n\n\t");
    state.typed = QStringLiteral("line one\nline two");
    state.gpsFix = QStringLiteral("108.937500,34.250000,1.000000,1.000000,1.000000");
    state.notice = longText;
    for (int i = 0; i < 100; ++i)
        state.apps.append(QStringLiteral("app%1").arg(i));
    state.touches.push_back({QPoint(-50, 99999), 9, 1});
    state.cursor = QPoint(1279, 719);
    state.recents = state.apps;
    for (auto page : {ScreenState::Page::Home, ScreenState::Page::App, ScreenState::Page::Game}) {
        state.page = page;
        state.openApp = longText;
        for (bool overlays : {false, true}) {
            state.recentsShown = overlays;
            state.editorShown = overlays;
            const QImage frame = paintScreen(state);
            EXPECT_EQ(frame.size(), QSize(1280, 720));
            EXPECT_EQ(pixelAt(frame, QPoint(16, 700)), ScreenLayout::markerColour());
        }
    }
    state.rotation = 45; // never set by the guest; painted unturned rather than skewed
    EXPECT_EQ(pixelAt(paintScreen(state), QPoint(20, 16)), ScreenLayout::markerColour());
}

} // namespace
