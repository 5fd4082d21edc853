#include "window/ShakeAnimation.h"

#include <QTimer>
#include <QWidget>

ShakeAnimation::ShakeAnimation(QWidget *window) : QObject(window), m_window(window) {}

ShakeAnimation::~ShakeAnimation()
{
    stopTimer();
}

bool ShakeAnimation::start()
{
    if (m_shaking)
        return false;
    m_shaking = true;
    m_origin = m_window->pos();
    if (m_timer == nullptr) {
        m_timer = new QTimer;
        m_timer->setInterval(kFrameMs);
        connect(m_timer, &QTimer::timeout, this, &ShakeAnimation::frameDue);
    }
    m_frame = 0;
    m_timer->start();
    return true;
}

void ShakeAnimation::showNextFrame()
{
    if (!m_shaking)
        return;
    const int offset = m_frame % 2 == 0 ? kOffset : -kOffset;
    ++m_frame;
    if (m_frame < kTicks) {
        m_window->move(m_origin + QPoint(offset, 0));
        return;
    }
    end();
}

void ShakeAnimation::end()
{
    if (!m_shaking)
        return;
    stopTimer();
    m_shaking = false;
    m_window->move(m_origin);
}

void ShakeAnimation::stopTimer()
{
    delete m_timer;
    m_timer = nullptr;
}
