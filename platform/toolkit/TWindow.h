#pragma once

#include "ToolkitExport.h"

#include <QRect>
#include <QWidget>

class TTitleBar;

// A frameless top-level window with the toolkit's own title bar.
//
// Construction flags:
//   resizable      the window can be resized by dragging its edges and
//                  corners (a border of borderWidth pixels); the size keeps
//                  the aspect that heightForWidth() describes.
//   windowButtons  the title bar shows the minimise and full-screen buttons
//                  beside close, and a double click on the bar switches
//                  full screen; without it the bar has only close.
// The window is dragged by its title bar in windowed mode.
//
// layoutChild() runs whenever the client area changes: on every resize, on
// a full-screen switch and on a title-bar toggle. The base places the title
// bar across the top, or just above the top edge when it is hidden in full
// screen; a subclass places its own children after calling the base.
//
// The virtual operations are declared in a fixed order after QWidget's:
// subclasses built against this header rely on it.
class TOOLKIT_EXPORT TWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int borderWidth = 4;

    explicit TWindow(QWidget *parent = nullptr, bool resizable = true, bool windowButtons = true);
    ~TWindow() override;

    // Sets the native title and the title bar's text.
    virtual void setWindowTitle(const QString &title);
    // The window height that belongs to a window width while the user
    // resizes; a negative answer (the default) leaves the height free.
    virtual int heightForWidth(int width);
    virtual void layoutChild();
    // Switches to full screen on the window's screen, or back to the
    // geometry that the window had before.
    virtual void setFullScreen(bool on);
    virtual bool fullScreen() const;

    // Shows (true) or hides (false) the title bar while in full screen;
    // in windowed mode the title bar is always shown and this does nothing.
    void toggleTitleBar(bool show);

    bool isResizable() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

    TTitleBar *m_titleBar;
    // The title bar lies inside the window; a subclass's layoutChild() may
    // set it from where it put the bar.
    bool m_titleBarShown = true;

private:
    enum class Gesture { None, Drag, Resize };

    Qt::Edges edgesAt(QPoint pos) const;
    Qt::Edges hoverEdgesAt(QPoint pos) const;
    void updateEdgeCursor(Qt::Edges edges);
    QRect resizedGeometry(QPoint globalPos);
    int widthForHeight(int height, int minWidth, int maxWidth);
    void placeTitleBar();

    bool m_resizable;
    bool m_fullScreen = false;
    QRect m_normalGeometry;
    Gesture m_gesture = Gesture::None;
    Qt::Edges m_gestureEdges;
    Qt::Edges m_cursorEdges;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
};
