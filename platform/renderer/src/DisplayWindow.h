#pragma once

#include "FrameStore.h"

#include <QBackingStore>
#include <QWindow>

#include <cstdint>
#include <memory>

namespace renderer {

// The native child window that shows the guest: the newest frame scaled to
// fill the window and turned by the display rotation; black until the first
// frame. Mouse and keyboard input pass through it to the window below.
//
// A frame is drawn once, when it is new (or the window's size or rotation
// changed), straight into the window's backing store; the store then holds
// the picture, so a repeated request or an expose only puts it on the screen
// again. GUI thread only.
class DisplayWindow : public QWindow
{
public:
    DisplayWindow(const FrameStore &frames, QWindow *parent);

    // Turns the drawn frame clockwise; degrees are rounded to quarter turns.
    void setRotation(float zRot);
    // Draws the newest frame if the window does not show it yet.
    void showNewest();

    // Pictures drawn so far, and how many of them showed a frame for the
    // first time.
    std::uint64_t draws() const { return m_draws; }
    std::uint64_t framesDrawn() const { return m_framesDrawn; }

protected:
    bool event(QEvent *event) override;
    void exposeEvent(QExposeEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Draws when the store's picture is out of date; puts it on the screen
    // when it drew or when asked to.
    void present(bool flushAlways);
    void draw(const std::shared_ptr<const Frame> &frame);
    void drawFrame(QPainter &painter, const QImage &image) const;

    const FrameStore &m_frames;
    QBackingStore m_store;
    int m_quarterTurns = 0;
    // What the store holds.
    std::shared_ptr<const Frame> m_drawnFrame;
    QSize m_drawnSize;
    int m_drawnTurns = -1;
    std::uint64_t m_draws = 0;
    std::uint64_t m_framesDrawn = 0;
};

} // namespace renderer
