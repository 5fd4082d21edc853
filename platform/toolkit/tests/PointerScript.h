#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <QtTest>

// Moves a pointer with its left button in screen coordinates, feeding the
// events into Qt's platform input path for one window, as the windowing
// system would: they go through the implicit grab, enter/leave and hover
// handling, and may lie outside the window while the button is held.
class PointerScript
{
public:
    explicit PointerScript(QWidget *window)
        : m_window(window->window()->windowHandle())
    {
    }

    void press(QPoint global)
    {
        m_buttons |= Qt::LeftButton;
        send(global, Qt::LeftButton, QEvent::MouseButtonPress);
    }

    void moveTo(QPoint global)
    {
        send(global, Qt::NoButton, QEvent::MouseMove);
    }

    void release(QPoint global)
    {
        m_buttons &= ~Qt::LeftButton;
        send(global, Qt::LeftButton, QEvent::MouseButtonRelease);
        // Keeps the next press from counting as a double click.
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
    }

    void drag(QPoint from, QPoint to)
    {
        moveTo(from);
        press(from);
        moveTo(to);
        release(to);
    }

private:
    void send(QPoint global, Qt::MouseButton button, QEvent::Type type)
    {
        QVERIFY(m_window);
        qt_handleMouseEvent(m_window, m_window->mapFromGlobal(global), global, m_buttons, button,
                            type, Qt::NoModifier, ++QTest::lastMouseTimestamp);
        QCoreApplication::processEvents();
    }

    QPointer<QWindow> m_window;
    Qt::MouseButtons m_buttons;
};
