#include "window/RecordButton.h"

#include <QPainter>

namespace {
constexpr int kBlinkMs = 1000;
constexpr int kLightSize = 10;
constexpr int kLightRightOffset = 15; // from the button's right edge to the light's left edge
constexpr int kLightTop = 5;
}

RecordButton::RecordButton(QWidget *parent, QSize size)
    : TIconButton(parent, size)
{
    m_blinkTimer.setInterval(kBlinkMs);
    connect(&m_blinkTimer, &QTimer::timeout, this, &RecordButton::updateRecordLight);
}

void RecordButton::setRecording(bool on)
{
    if (on == recording)
        return;
    recording = on;
    lightOn = on;
    update();
    if (on)
        m_blinkTimer.start();
    else
        m_blinkTimer.stop();
}

void RecordButton::updateRecordLight()
{
    if (!recording)
        return;
    lightOn = !lightOn;
    update();
}

void RecordButton::paintEvent(QPaintEvent *event)
{
    TIconButton::paintEvent(event);
    if (!recording || !lightOn)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QRect(width() - kLightRightOffset, kLightTop, kLightSize, kLightSize));
}
