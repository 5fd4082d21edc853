#include "DisplayWindow.h"

#include <QPainter>

#include <cmath>

namespace renderer {

DisplayWindow::DisplayWindow(const FrameStore &frames, QWindow *parent)
    : QRasterWindow(parent), m_frames(frames)
{
    setFlags(flags() | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
}

void DisplayWindow::setRotation(float zRot)
{
    if (!std::isfinite(zRot))
        return;
    const int turns = int(std::lround(std::fmod(double(zRot), 360.0) / 90.0));
    m_quarterTurns = (turns % 4 + 4) % 4;
}

void DisplayWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(QRect(QPoint(0, 0), size()), Qt::black);
    const std::shared_ptr<const Frame> frame = m_frames.newest();
    if (!frame)
        return;
    // The guest's alpha says nothing about how its screen looks: draw opaque.
    const QImage &pixels = frame->image;
    const QImage opaque(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
                        QImage::Format_RGBX8888);
    const bool sideways = m_quarterTurns % 2 != 0;
    const QSizeF target = sideways ? QSizeF(height(), width()) : QSizeF(width(), height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(90.0 * m_quarterTurns);
    painter.drawImage(QRectF(QPointF(-target.width() / 2, -target.height() / 2), target), opaque);
}

} // namespace renderer
