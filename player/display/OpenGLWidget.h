#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <optional>
#include <set>

// The guest display: the renderer's native sub-window lives inside this
// widget, and every host key, mouse, wheel and input-method event that
// reaches it goes to the guest through the virtual input and input method
// services. Besides plain touch emulation it has a locked-mouse mode for
// first-person games (cursor hidden and held at the centre, relative moves
// sent) and a Ctrl + wheel zoom gesture.
//
// Whatever the guest was told is held down (keys, a touch, the locked
// mouse's left button, a zoom) is released again when the widget loses the
// keyboard focus, so that nothing stays pressed in the guest after the user
// switches to another window.
class OpenGLWidget : public QWidget
{
    Q_OBJECT

public:
    // The primary screen's size, which scales locked-mouse moves, is taken
    // once, here.
    explicit OpenGLWidget(QWidget *parent = nullptr);
    // For hosts whose primary screen does not tell its real size.
    OpenGLWidget(QWidget *parent, const QSize &primaryScreenSize);

    // show(), then the steps of updateOpenGL().
    void showDisplay();
    // Turns the renderer's drawing of the guest display (degrees).
    void setDisplayRotation(float zRot);

signals:
    // The pointer, with no button held, is within 20 px of the top or bottom.
    void onMouseEdge();

public slots:
    // Renderer viewport and the guest input's window size follow the
    // widget's size; then the renderer repaints.
    void updateOpenGL();
    void refreshOpenGL();
    // Switches locked-mouse mode.
    void mouseFPS(bool enable);
    // The guest's key-mapping engine allows (lock > 0) or forbids the lock.
    void setMouseCanLock(int lock);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    // Tab and Shift+Tab belong to the guest, not to focus navigation.
    bool focusNextPrevChild(bool next) override;

private:
    // What the left button's press started in the guest.
    enum class LeftPress { None, Touch, LockedButton };

    void sendKey(QKeyEvent *event, bool press);
    bool lockActive() const { return m_mouseLocked && m_canLock; }
    QPoint centre() const { return QPoint(width() / 2, height() / 2); }
    void moveLocked(const QPoint &pos);
    void dragTo(const QPoint &pos);
    void releaseLeft(const QPoint &pos);
    void endZoom();
    void releaseHeldInput();

    LeftPress m_leftPress = LeftPress::None;
    QPoint m_lastTouch;
    bool m_mouseLocked = false;
    bool m_canLock = false;
    bool m_ctrlHeld = false;
    std::optional<QPoint> m_zoomAnchor;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    bool m_firstFocusDone = false;
    std::set<int> m_heldScanCodes;
};
