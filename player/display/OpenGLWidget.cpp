#include "display/OpenGLWidget.h"

#include "display/HostShiftTap.h"
#include "display/RendererBinding.h"

#include <service/input_method.h>
#include <service/vinput.h>

#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

namespace {

// Actions of the virtual input messages.
constexpr int kDown = 0;
constexpr int kUp = 1;
constexpr int kMove = 2;
constexpr int kContact = 1;

// The guest's input frame, in which locked-mouse offsets are given.
constexpr float kGuestFrameWidth = 1280.0f;
constexpr float kGuestFrameHeight = 720.0f;

constexpr int kEdgeZone = 20;
constexpr int kZoomEndDistance = 40;
constexpr int kZoomStep = 20;

QSize primaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize();
}

// Host pixels to guest-frame units over the host screen's extent; a screen
// that reports no size leaves the pixels as they are.
int scaleToGuest(int pixels, float guestExtent, int screenExtent)
{
    const float extent = screenExtent > 0 ? static_cast<float>(screenExtent) : guestExtent;
    return static_cast<int>(std::roundf(static_cast<float>(pixels) * guestExtent / extent));
}

} // namespace

OpenGLWidget::OpenGLWidget(QWidget *parent) : OpenGLWidget(parent, primaryScreenSize()) {}

OpenGLWidget::OpenGLWidget(QWidget *parent, const QSize &primaryScreenSize)
    : QWidget(parent), m_screenWidth(primaryScreenSize.width()),
      m_screenHeight(primaryScreenSize.height())
{
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression);
    setAttribute(Qt::WA_MouseTracking);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
}

void OpenGLWidget::showDisplay()
{
    show();
    updateOpenGL();
}

void OpenGLWidget::setDisplayRotation(float zRot)
{
    glrender::setOpenGLDisplayRotation(zRot);
}

void OpenGLWidget::updateOpenGL()
{
    glrender::setOpenGLViewport(0, 0, width(), height());
    vinput_set_window_size(width(), height());
    glrender::repaintOpenGLDisplay();
}

void OpenGLWidget::refreshOpenGL()
{
    glrender::repaintOpenGLDisplay();
    repaint();
}

void OpenGLWidget::mouseFPS(bool enable)
{
    if (enable == m_mouseLocked)
        return;
    m_mouseLocked = enable;
    if (!enable) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    setCursor(Qt::BlankCursor);
    QCursor::setPos(mapToGlobal(centre()));
}

void OpenGLWidget::setMouseCanLock(int lock)
{
    m_canLock = lock > 0;
}

void OpenGLWidget::mousePressEvent(QMouseEvent *event)
{
    if (vinput_ready() == 0) {
        std::fputs("try to send mouse event. but not ready\n", stdout);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (lockActive()) {
        m_leftPress = LeftPress::LockedButton;
        vinput_mouse_left_button(kDown);
        return;
    }
    m_leftPress = LeftPress::Touch;
    m_lastTouch = event->pos();
    vinput_inject_motion(m_lastTouch.x(), m_lastTouch.y(), kContact, kDown);
}

void OpenGLWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (vinput_ready() == 0)
        return;
    if (event->button() == Qt::LeftButton) {
        releaseLeft(event->pos());
        return;
    }
    if (event->button() == Qt::RightButton && m_canLock) {
        mouseFPS(!m_mouseLocked);
        vinput_mouse_right_button(1, m_mouseLocked ? 1 : 0);
    }
}

// Ends what the left press started: a touch at pos, or the locked mouse's
// button. A touch that already ended (the drag left the widget) is not
// ended twice.
void OpenGLWidget::releaseLeft(const QPoint &pos)
{
    const LeftPress press = m_leftPress;
    m_leftPress = LeftPress::None;
    if (press == LeftPress::Touch)
        vinput_inject_motion(pos.x(), pos.y(), kContact, kUp);
    else if (press == LeftPress::LockedButton)
        vinput_mouse_left_button(kUp);
}

void OpenGLWidget::mouseMoveEvent(QMouseEvent *event)
{
    // The main window watches the pointer too.
    event->ignore();
    const QPoint pos = event->pos();
    if (!m_ctrlHeld && m_zoomAnchor &&
        (pos - *m_zoomAnchor).manhattanLength() > kZoomEndDistance)
        endZoom();
    if (lockActive()) {
        moveLocked(pos);
        return;
    }
    if (event->buttons() != Qt::NoButton) {
        dragTo(pos);
        return;
    }
    if (pos.y() < kEdgeZone || pos.y() > height() - kEdgeZone)
        emit onMouseEdge();
}

void OpenGLWidget::moveLocked(const QPoint &pos)
{
    const QPoint middle = centre();
    const int dx = pos.x() - middle.x();
    const int dy = pos.y() - middle.y();
    QCursor::setPos(mapToGlobal(middle));
    if (dx == 0 && dy == 0) {
        qDebug() << "fps mouse moved but diff zero";
        return;
    }
    vinput_mouse_offset(scaleToGuest(dx, kGuestFrameWidth, m_screenWidth),
                        scaleToGuest(dy, kGuestFrameHeight, m_screenHeight));
    qDebug() << "fps mouse diff" << dx << dy;
}

// A drag that leaves the widget ends its touch at the border; the touch does
// not resume when the pointer comes back.
void OpenGLWidget::dragTo(const QPoint &pos)
{
    if (m_leftPress != LeftPress::Touch)
        return;
    const bool inside = pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height();
    if (inside) {
        m_lastTouch = pos;
        vinput_inject_motion(pos.x(), pos.y(), kContact, kMove);
        return;
    }
    QPoint border = pos;
    if (border.x() < 1)
        border.setX(1);
    else if (border.x() > width())
        border.setX(width() - 1);
    if (border.y() < 1)
        border.setY(1);
    else if (border.y() > height())
        border.setY(height() - 1);
    releaseLeft(border);
}

void OpenGLWidget::endZoom()
{
    qDebug() << "zoom terminate";
    vinput_zoom(m_zoomAnchor->x(), m_zoomAnchor->y(), 0);
    m_zoomAnchor.reset();
}

void OpenGLWidget::wheelEvent(QWheelEvent *event)
{
    if (vinput_ready() == 0)
        return;
    if (event->phase() == Qt::ScrollBegin || event->phase() == Qt::ScrollEnd)
        return;
    QPoint delta = event->pixelDelta();
    if (delta.isNull()) {
        qDebug() << "scrolled pixel is null";
        delta = event->angleDelta();
        if (delta.isNull())
            return;
    }
    if (delta.manhattanLength() < 2)
        return;
    const QPointF position = event->position();
    const QPoint pos(static_cast<int>(position.x()), static_cast<int>(position.y()));
    if (m_ctrlHeld) {
        if (!m_zoomAnchor)
            m_zoomAnchor = pos;
        vinput_zoom(m_zoomAnchor->x(), m_zoomAnchor->y(), delta.y() > 0 ? -kZoomStep : kZoomStep);
        return;
    }
    vinput_inject_wheel(delta.x(), delta.y(), pos.x(), pos.y());
    qDebug().nospace() << "mouse wheel scroll " << delta.x() << " " << delta.y();
}

void OpenGLWidget::keyPressEvent(QKeyEvent *event)
{
    sendKey(event, true);
}

void OpenGLWidget::keyReleaseEvent(QKeyEvent *event)
{
    sendKey(event, false);
}

void OpenGLWidget::sendKey(QKeyEvent *event, bool press)
{
    if (vinput_ready() == 0 || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Control)
        m_ctrlHeld = press;
    const int scan = get_scan_code(event->key());
    // The guest keeps its own Caps Lock state: every host change is a full tap.
    if (event->key() == Qt::Key_CapsLock) {
        vinput_inject_key(scan, kDown, 0);
        vinput_inject_key(scan, kUp, 0);
        return;
    }
    // A release goes only after its press: an input method that takes a
    // press (the Space that commits its text) still lets the release through.
    if (press && scan != 0)
        m_heldScanCodes.insert(scan);
    else if (!press && scan != 0 && m_heldScanCodes.erase(scan) == 0)
        return;
    vinput_inject_key(scan, press ? kDown : kUp, 0);
}

void OpenGLWidget::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (m_firstFocusDone)
        return;
    m_firstFocusDone = true;
    tapHostShiftKey();
}

void OpenGLWidget::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    releaseHeldInput();
}

// The key and button releases of this moment go to another window, so the
// guest is told here.
void OpenGLWidget::releaseHeldInput()
{
    for (const int scan : m_heldScanCodes)
        vinput_inject_key(scan, kUp, 0);
    m_heldScanCodes.clear();
    m_ctrlHeld = false;
    releaseLeft(m_lastTouch);
    if (m_zoomAnchor)
        endZoom();
}

void OpenGLWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateOpenGL();
}

void OpenGLWidget::inputMethodEvent(QInputMethodEvent *event)
{
    const QString text = event->commitString();
    if (text.isEmpty())
        return;
    QByteArray bytes = text.toUtf8();
    input_method_send_text(bytes.data(), bytes.size());
}

bool OpenGLWidget::focusNextPrevChild(bool)
{
    return false;
}
