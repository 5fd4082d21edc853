#include "window/MainWindowLayout.h"

#include <QtGlobal>

namespace {

// Width over height of the guest as the window shows it.
float aspect(QSize guest, bool natural)
{
    return natural ? float(guest.width()) / float(guest.height()) : float(guest.height()) / float(guest.width());
}

} // namespace

MainWindowLayout::MainWindowLayout(QSize window, QSize guest, bool natural, bool fullScreen)
    : m_window(window), m_guest(guest), m_natural(natural), m_fullScreen(fullScreen)
{
}

int MainWindowLayout::margin() const
{
    return m_fullScreen ? 0 : kWindowedMargin;
}

bool MainWindowLayout::guestKnown() const
{
    return m_guest.width() > 0 && m_guest.height() > 0;
}

QRect MainWindowLayout::display() const
{
    if (!guestKnown())
        return splash(true);
    return m_natural ? naturalDisplay() : turnedDisplay();
}

// Full width, the height following the aspect. In full screen a guest
// narrower than the screen would overflow its height: it is then fitted to
// the height and centred across.
QRect MainWindowLayout::naturalDisplay() const
{
    const int m = margin();
    const int w = m_window.width();
    const int h = m_window.height();
    const float ratio = aspect(m_guest, true);
    const int dw = w - 2 * m;
    const int dh = int(float(dw) / ratio - float(m));
    if (!m_fullScreen)
        return QRect(m, kTitleBarHeight, dw, dh);
    if (dh > h) {
        const int fittedWidth = int(float(h) * ratio);
        return QRect((w - fittedWidth) / 2, 0, fittedWidth, h);
    }
    return QRect(m, (h - dh) / 2, dw, dh);
}

// Full height below the title bar (none in full screen), the width following
// the aspect; in full screen centred across, or fitted to the width and
// centred down when it would overflow the width.
QRect MainWindowLayout::turnedDisplay() const
{
    const int m = margin();
    const int w = m_window.width();
    const int h = m_window.height();
    const float ratio = aspect(m_guest, false);
    const int dh = h - m - (m_fullScreen ? 0 : kTitleBarHeight);
    const int dw = int(float(dh) * ratio - float(2 * m));
    if (!m_fullScreen)
        return QRect(m, kTitleBarHeight, dw, dh);
    if (dw > w) {
        const int fittedHeight = int(float(w) / ratio);
        return QRect(0, (h - fittedHeight) / 2, w, fittedHeight);
    }
    return QRect((w - dw) / 2, 0, dw, dh);
}

bool MainWindowLayout::barsInside() const
{
    return !m_fullScreen || m_window.height() - display().height() >= kBarsHeight;
}

QRect MainWindowLayout::toolBarOutside() const
{
    const int m = margin();
    const int w = m_window.width();
    const int h = m_window.height();
    if (m_natural)
        return QRect(m, h - m, w - 2 * m, kToolBarThickness);
    return QRect(w - m, kTitleBarHeight, kToolBarThickness, h - m - kTitleBarHeight);
}

QRect MainWindowLayout::toolBar() const
{
    const QRect outside = toolBarOutside();
    if (!barsInside())
        return outside;
    return m_natural ? outside.translated(0, -kToolBarThickness) : outside.translated(-kToolBarThickness, 0);
}

QRect MainWindowLayout::splash(bool titleBarShown) const
{
    const int m = margin();
    const int w = m_window.width() - 2 * m;
    if (titleBarShown)
        return QRect(m, kTitleBarHeight, w, m_window.height() - m - kBarsHeight);
    return QRect(m, 0, w, m_window.height() - m);
}

QRect MainWindowLayout::toolBarSlideTarget(bool show) const
{
    const int w = m_window.width();
    const int h = m_window.height();
    const int out = show ? 0 : kToolBarThickness;
    if (m_natural)
        return QRect(0, h - kToolBarThickness + out, w, kToolBarThickness);
    return QRect(w - kToolBarThickness + out, kTitleBarHeight, kToolBarThickness, h - kTitleBarHeight);
}

int MainWindowLayout::tipsTop() const
{
    return m_fullScreen ? 0 : kTitleBarHeight;
}

int MainWindowLayout::heightForWidth(int width, QSize guest, bool natural)
{
    if (guest.width() <= 0 || guest.height() <= 0)
        return -1;
    const float ratio = aspect(guest, natural);
    if (natural)
        return int(float(width) / ratio) + kBarsHeight;
    return int(float(width - kToolBarThickness) / ratio) + kTitleBarHeight;
}

int MainWindowLayout::widthForHeight(int height, QSize guest, bool natural)
{
    const float ratio = aspect(guest, natural);
    if (natural)
        return int(float(height - kBarsHeight) * ratio);
    return int(float(height - kTitleBarHeight) * ratio) + kToolBarThickness;
}

QSize MainWindowLayout::windowForDisplayHeight(int displayHeight, QSize guest, bool natural)
{
    const int width = int(float(displayHeight) * aspect(guest, natural));
    if (natural)
        return QSize(width, displayHeight + kBarsHeight);
    return QSize(width + kToolBarThickness, displayHeight + kTitleBarHeight);
}

int MainWindowLayout::displayHeightForWindow(int windowHeight, bool natural)
{
    return windowHeight - kTitleBarHeight - (natural ? kToolBarThickness : 0);
}

bool MainWindowLayout::atEdge(QPoint pos, QSize window, bool natural)
{
    if (pos.y() < kEdgeZone || pos.y() > window.height() - kEdgeZone)
        return true;
    return !natural && pos.x() > window.width() - kEdgeZone;
}
