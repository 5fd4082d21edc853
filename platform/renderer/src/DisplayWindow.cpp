#include "DisplayWindow.h"

#include <QEvent>
#include <QPainter>

#include <cmath>
#include <vector>

namespace renderer {
namespace {

// At sizes this close, nearest-pixel scaling repeats or leaves out at most
// one row or column in a hundred, which does not show, at a fraction of
// what smooth scaling costs (a window at its guest's size scales by a few
// pixels; smooth scaling a 1080p frame takes several milliseconds).
bool nearlyUnscaled(QSize from, QSize to)
{
    return qAbs(to.width() - from.width()) * 100 <= from.width() && qAbs(to.height() - from.height()) * 100 <= from.height();
}

// Stretches of target pixels whose nearest source pixels follow one another.
struct Run
{
    int target;
    int source;
    int length;
};

std::vector<Run> nearestRuns(int from, int to)
{
    std::vector<Run> runs;
    for (int t = 0; t < to; ++t) {
        const int s = int((2 * qint64(t) + 1) * from / (2 * qint64(to)));
        if (!runs.empty() && runs.back().source + runs.back().length == s)
            ++runs.back().length;
        else
            runs.push_back({t, s, 1});
    }
    return runs;
}

// Nearest-pixel scaling at nearly the same size only leaves out or repeats
// a few rows and columns: the blocks between them are copied unscaled,
// which runs at the speed of memory.
void drawNearest(QPainter &painter, const QImage &image, QSize target)
{
    const std::vector<Run> columns = nearestRuns(image.width(), target.width());
    for (const Run &rows : nearestRuns(image.height(), target.height())) {
        for (const Run &run : columns)
            painter.drawImage(QPoint(run.target, rows.target), image,
                              QRect(run.source, rows.source, run.length, rows.length));
    }
}

} // namespace

DisplayWindow::DisplayWindow(const FrameStore &frames, QWindow *parent)
    : QWindow(parent), m_frames(frames), m_store(this)
{
    setFlags(flags() | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
}

void DisplayWindow::setRotation(float zRot)
{
    if (!std::isfinite(zRot))
        return;
    const int turns = int(std::lround(std::fmod(double(zRot), 360.0) / 90.0));
    m_quarterTurns = (turns % 4 + 4) % 4;
    present(false);
}

void DisplayWindow::showNewest()
{
    present(false);
}

bool DisplayWindow::event(QEvent *event)
{
    if (event->type() == QEvent::UpdateRequest) {
        present(false);
        return true;
    }
    return QWindow::event(event);
}

void DisplayWindow::exposeEvent(QExposeEvent *)
{
    present(true);
}

void DisplayWindow::resizeEvent(QResizeEvent *)
{
    m_store.resize(size());
    requestUpdate();
}

void DisplayWindow::present(bool flushAlways)
{
    if (!isExposed())
        return;
    const std::shared_ptr<const Frame> frame = m_frames.newest();
    const bool current = frame == m_drawnFrame && m_drawnSize == size() && m_drawnTurns == m_quarterTurns;
    if (current && !flushAlways)
        return;
    if (!current)
        draw(frame);
    m_store.flush(QRect(QPoint(0, 0), size()));
}

void DisplayWindow::draw(const std::shared_ptr<const Frame> &frame)
{
    const QRect area(QPoint(0, 0), size());
    if (m_store.size() != size())
        m_store.resize(size());
    m_store.beginPaint(area);
    QPainter painter(m_store.paintDevice());
    if (frame)
        drawFrame(painter, frame->image);
    else
        painter.fillRect(area, Qt::black);
    painter.end();
    m_store.endPaint();
    ++m_draws;
    if (frame && frame != m_drawnFrame)
        ++m_framesDrawn;
    m_drawnFrame = frame;
    m_drawnSize = size();
    m_drawnTurns = m_quarterTurns;
}

// The frame covers the whole window: nothing needs clearing first.
void DisplayWindow::drawFrame(QPainter &painter, const QImage &image) const
{
    const bool sideways = m_quarterTurns % 2 != 0;
    const QSize target = sideways ? size().transposed() : size();
    const bool nearly = nearlyUnscaled(image.size(), target);
    if (nearly && m_quarterTurns == 0) {
        drawNearest(painter, image, target);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !nearly);
    if (m_quarterTurns == 0) {
        painter.drawImage(QRect(QPoint(0, 0), target), image);
        return;
    }
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(90.0 * m_quarterTurns);
    painter.drawImage(QRectF(QPointF(-target.width() / 2.0, -target.height() / 2.0), QSizeF(target)), image);
}

} // namespace renderer
