#include "Display.h"

#include "DisplayWindow.h"

#include <QDebug>

#include <algorithm>

namespace renderer {
namespace {

// X refuses windows without area; an empty viewport keeps a 1 x 1 window.
QRect atLeastOnePixel(const QRect &geometry)
{
    return QRect(geometry.x(), geometry.y(), std::max(geometry.width(), 1),
                 std::max(geometry.height(), 1));
}

} // namespace

void Display::create(WId parent, const QRect &geometry, float zRot)
{
    if (parent == 0) {
        qDebug() << "display sub-window needs a display window";
        return;
    }
    setParent(parent);
    if (!m_window)
        return;
    m_window->setRotation(zRot);
    m_window->setGeometry(atLeastOnePixel(geometry));
    m_window->show();
}

void Display::setParent(WId parent)
{
    if (m_parent && m_parent->winId() == parent)
        return;
    QWindow *foreign = QWindow::fromWinId(parent);
    if (!foreign) {
        qDebug() << "display window not found" << parent;
        return;
    }
    if (m_window) {
        m_window->setParent(foreign);
    } else {
        auto *window = new DisplayWindow(m_frames, foreign);
        std::lock_guard<std::mutex> lock(m_windowMutex);
        m_window = window;
    }
    delete m_parent;
    m_parent = foreign;
}

void Display::setViewport(const QRect &geometry)
{
    if (!m_window)
        return;
    m_window->setGeometry(atLeastOnePixel(geometry));
}

void Display::setRotation(float zRot)
{
    if (m_window)
        m_window->setRotation(zRot);
}

void Display::repaint()
{
    if (m_window)
        m_window->showNewest();
}

std::uint64_t Display::draws() const
{
    return m_window ? m_window->draws() : 0;
}

std::uint64_t Display::framesDrawn() const
{
    return m_window ? m_window->framesDrawn() : 0;
}

void Display::frameArrived()
{
    if (m_redrawPending.exchange(true))
        return;
    std::lock_guard<std::mutex> lock(m_windowMutex);
    if (!m_window) {
        m_redrawPending = false;
        return;
    }
    DisplayWindow *window = m_window;
    QMetaObject::invokeMethod(
        window,
        [this, window] {
            m_redrawPending = false;
            window->showNewest();
        },
        Qt::QueuedConnection);
}

void Display::releaseWindows()
{
    {
        std::lock_guard<std::mutex> lock(m_windowMutex);
        delete m_window;
        m_window = nullptr;
    }
    delete m_parent;
    m_parent = nullptr;
}

} // namespace renderer
