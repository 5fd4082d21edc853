#include "TWindow.h"

#include "TTitleBar.h"

#include <QHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOption>

namespace {
constexpr int kMinimumWidth = 160;
const QColor kFrameColour(0x3a, 0x3a, 0x3a);

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = edges == (Qt::LeftEdge | Qt::TopEdge)
                             || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}
}

TWindow::TWindow(QWidget *parent, bool resizable, bool windowButtons)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint
                          | (windowButtons ? Qt::WindowMinimizeButtonHint : Qt::WindowFlags()))
    , m_titleBar(nullptr)
    , m_resizable(resizable)
{
    setObjectName(QStringLiteral("window"));
    // Hover moves arrive from over the children too: they drive the
    // resize cursor along the border.
    setAttribute(Qt::WA_Hover);
    m_titleBar = new TTitleBar(this, windowButtons, windowButtons);
    connect(this, &QWidget::windowTitleChanged, m_titleBar, &TTitleBar::setTitle);
    connect(m_titleBar, &TTitleBar::fullScreenClicked, this, [this] { setFullScreen(!fullScreen()); });
    placeTitleBar();
}

TWindow::~TWindow() = default;

void TWindow::setWindowTitle(const QString &title)
{
    QWidget::setWindowTitle(title);
}

int TWindow::heightForWidth(int)
{
    return -1;
}

void TWindow::layoutChild()
{
    placeTitleBar();
}

void TWindow::setFullScreen(bool on)
{
    if (on == m_fullScreen)
        return;
    m_gesture = Gesture::None;
    updateEdgeCursor(Qt::Edges());
    m_fullScreen = on;
    m_titleBarShown = !on;
    if (on) {
        m_normalGeometry = geometry();
        // Without a window manager the state alone does not resize the
        // window; and a geometry set after the state would clear it.
        setGeometry(screen()->geometry());
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        if (m_normalGeometry.isValid())
            setGeometry(m_normalGeometry);
    }
    layoutChild();
}

bool TWindow::fullScreen() const
{
    return m_fullScreen;
}

void TWindow::toggleTitleBar(bool show)
{
    if (!m_fullScreen)
        return;
    m_titleBarShown = show;
    layoutChild();
}

bool TWindow::isResizable() const
{
    return m_resizable;
}

void TWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_fullScreen)
        return;
    m_gestureEdges = edgesAt(event->pos());
    if (m_gestureEdges)
        m_gesture = Gesture::Resize;
    else if (!m_titleBar->isWindow() && m_titleBar->geometry().contains(event->pos()))
        m_gesture = Gesture::Drag;
    else
        return;
    m_pressGlobal = event->globalPos();
    m_pressGeometry = geometry();
}

void TWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_gesture = Gesture::None;
}

void TWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_gesture == Gesture::None)
        return;
    // The release may have gone elsewhere (a popup, another window).
    if (!(event->buttons() & Qt::LeftButton)) {
        m_gesture = Gesture::None;
        return;
    }
    if (m_gesture == Gesture::Drag)
        move(m_pressGeometry.topLeft() + (event->globalPos() - m_pressGlobal));
    else
        setGeometry(resizedGeometry(event->globalPos()));
}

void TWindow::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (m_fullScreen)
        return;
    painter.setPen(kFrameColour);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChild();
}

bool TWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverMove:
        if (m_gesture == Gesture::None)
            updateEdgeCursor(hoverEdgesAt(static_cast<QHoverEvent *>(event)->pos()));
        break;
    case QEvent::HoverLeave:
        if (m_gesture == Gesture::None)
            updateEdgeCursor(Qt::Edges());
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

Qt::Edges TWindow::edgesAt(QPoint pos) const
{
    Qt::Edges edges;
    if (!m_resizable || m_fullScreen)
        return edges;
    if (pos.x() < borderWidth)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= width() - borderWidth)
        edges |= Qt::RightEdge;
    if (pos.y() < borderWidth)
        edges |= Qt::TopEdge;
    else if (pos.y() >= height() - borderWidth)
        edges |= Qt::BottomEdge;
    return edges;
}

// Only where a press reaches the window itself (not a child that takes
// it) does the border resize, so only there does the cursor say so.
Qt::Edges TWindow::hoverEdgesAt(QPoint pos) const
{
    QWidget *child = childAt(pos);
    if (child && child != m_titleBar)
        return Qt::Edges();
    return edgesAt(pos);
}

void TWindow::updateEdgeCursor(Qt::Edges edges)
{
    if (edges == m_cursorEdges)
        return;
    m_cursorEdges = edges;
    if (edges)
        setCursor(cursorFor(edges));
    else
        unsetCursor();
}

// The edges held move with the pointer while the opposite edges stay put.
// With an aspect, the width follows a side or corner drag and the height
// follows the width; a top or bottom drag picks the widest width whose
// height fits. The result stays within the minimum and maximum sizes and
// the screen's available area.
QRect TWindow::resizedGeometry(QPoint globalPos)
{
    const QPoint delta = globalPos - m_pressGlobal;
    const QRect start = m_pressGeometry;
    const QRect available = screen()->availableGeometry();
    const int minWidth = qMax(minimumWidth(), kMinimumWidth);
    const int maxWidth = qMax(minWidth, qMin(maximumWidth(), available.width()));
    const int minHeight = qMax(minimumHeight(), TTitleBar::defaultHeight + 2 * borderWidth);
    const int maxHeight = qMax(minHeight, qMin(maximumHeight(), available.height()));

    int width = start.width();
    int height = start.height();
    if (m_gestureEdges & Qt::LeftEdge)
        width -= delta.x();
    if (m_gestureEdges & Qt::RightEdge)
        width += delta.x();
    if (m_gestureEdges & Qt::TopEdge)
        height -= delta.y();
    if (m_gestureEdges & Qt::BottomEdge)
        height += delta.y();

    if (heightForWidth(start.width()) > 0) {
        if (!(m_gestureEdges & (Qt::LeftEdge | Qt::RightEdge)))
            width = widthForHeight(height, minWidth, maxWidth);
        width = qBound(minWidth, width, widthForHeight(maxHeight, minWidth, maxWidth));
        height = heightForWidth(width);
    } else {
        width = qBound(minWidth, width, maxWidth);
        height = qBound(minHeight, height, maxHeight);
    }

    const int x = (m_gestureEdges & Qt::LeftEdge) ? start.x() + start.width() - width : start.x();
    const int y = (m_gestureEdges & Qt::TopEdge) ? start.y() + start.height() - height : start.y();
    return QRect(x, y, width, height);
}

// The widest width in [minWidth, maxWidth] whose height is at most the
// given one, for a heightForWidth() that grows with the width.
int TWindow::widthForHeight(int height, int minWidth, int maxWidth)
{
    int low = minWidth;
    int high = maxWidth;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (heightForWidth(middle) <= height)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

void TWindow::placeTitleBar()
{
    const int height = TTitleBar::defaultHeight;
    const bool inside = !m_fullScreen || m_titleBarShown;
    m_titleBar->setGeometry(0, inside ? 0 : -height, width(), height);
    m_titleBar->setFullScreenShown(m_fullScreen);
}
