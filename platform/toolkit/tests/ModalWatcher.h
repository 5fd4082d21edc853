#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the next modal window once it is up: a nested exec() blocks the
// test, so the action is queued before it and polls for the window.
inline void whenModal(std::function<void(QWidget *)> action, int attemptsLeft = 500)
{
    QTimer::singleShot(10, [action, attemptsLeft] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            action(modal);
            return;
        }
        if (attemptsLeft > 0)
            whenModal(action, attemptsLeft - 1);
    });
}
