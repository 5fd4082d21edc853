#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the main window puts the guest display, the tool bar and the splash,
// and which window size belongs to the guest's aspect. The tool bar lies
// along the bottom edge while the guest is upright (natural orientation) and
// along the right edge while it is turned; the title bar is always across the
// top. Ratios are single-precision and results truncated, as the window has
// always computed them, so that saved sizes keep meaning the same.
//
// An unset guest size (zero) gives the display the splash's place and
// leaves the window's height free.
class MainWindowLayout
{
public:
    static constexpr int kTitleBarHeight = 36;
    static constexpr int kToolBarThickness = 48;
    // Title bar plus tool bar.
    static constexpr int kBarsHeight = kTitleBarHeight + kToolBarThickness;
    static constexpr int kWindowedMargin = 2;
    static constexpr int kEdgeZone = 20;

    MainWindowLayout(QSize window, QSize guest, bool natural, bool fullScreen);

    int margin() const;
    QRect display() const;
    // True when the bars lie inside the window: always in windowed mode, and
    // in full screen when the display leaves room for both.
    bool barsInside() const;
    // The tool bar's place: inside the window when barsInside(), else just
    // outside its bottom (natural) or right (turned) edge.
    QRect toolBar() const;
    QRect splash(bool titleBarShown) const;
    // Where the tool bar slides to in full screen: along the edge when
    // showing, just beyond it when hiding.
    QRect toolBarSlideTarget(bool show) const;
    int tipsTop() const;

    // The window height for a window width, or -1 while the guest size is
    // unset.
    static int heightForWidth(int width, QSize guest, bool natural);
    // The window width that fits a window height after a turn.
    static int widthForHeight(int height, QSize guest, bool natural);
    // The window width and height that show a display of the given height.
    static QSize windowForDisplayHeight(int displayHeight, QSize guest, bool natural);
    // The display height to remember for a window height.
    static int displayHeightForWindow(int windowHeight, bool natural);
    // The pointer touches the edge where the bars appear in full screen.
    static bool atEdge(QPoint pos, QSize window, bool natural);

private:
    bool guestKnown() const;
    QRect toolBarOutside() const;
    QRect naturalDisplay() const;
    QRect turnedDisplay() const;

    QSize m_window;
    QSize m_guest;
    bool m_natural;
    bool m_fullScreen;
};
