#pragma once

#include "ScreenState.h"

#include <QColor>
#include <QRect>
#include <QSize>

// Where things are on the guest's screen, in layout coordinates (1280 x 720
// landscape, 720 x 1280 portrait). The painter draws at these places and
// touches are matched against them.
struct ScreenLayout
{
    // A block of this colour is always drawn at `marker` (top left of the
    // status bar), so a capture can be checked against a known region.
    static QColor markerColour() { return QColor(0x3d, 0xdc, 0x84); }

    static constexpr int kIconSize = 96;
    static constexpr int kTileWidth = 128;
    static constexpr int kTileHeight = 136;

    QSize size;
    QRect statusBar;
    QRect marker;
    QRect navBar;
    QRect backButton;
    QRect homeButton;
    QRect recentsButton;
    QRect content;
    QRect identity;
    QRect textField;
    QRect copyButton;
    QRect rotateButton;
    QRect gameButton;
    QRect launcher;
    QRect info;
    QRect editorPanel;
    QRect editorClose;
    QRect recentsPanel;

    static ScreenLayout forSize(QSize size);

    // The launcher tile of the index-th app; a null rect when it does not fit.
    QRect launcherTile(int index) const;
    int launcherCapacity() const;
};

// What a touch at a layout point presses.
struct ScreenHit
{
    enum class Target { None, Back, Home, Recents, Copy, Rotate, Game, App, EditorClose };

    Target target = Target::None;
    int appIndex = -1; // Target::App
};

ScreenHit hitTest(const ScreenLayout &layout, const ScreenState &state, QPoint point);
