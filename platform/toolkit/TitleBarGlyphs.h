#pragma once

#include <QIcon>
#include <QSize>

// The title bar's button icons, drawn in code so that they stay crisp at
// any pixel density: a glyph on a background that lights up on hover and
// darkens while pressed.
enum class TitleBarGlyph {
    Minimise,
    FullScreen,
    LeaveFullScreen,
    Close,
};

QIcon titleBarGlyphIcon(TitleBarGlyph glyph, QSize size);
