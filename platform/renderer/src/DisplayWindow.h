#pragma once

#include "FrameStore.h"

#include <QRasterWindow>

namespace renderer {

// The native child window that shows the guest: the newest frame scaled to
// fill the window and turned by the display rotation; black until the first
// frame. Mouse and keyboard input pass through it to the window below.
class DisplayWindow : public QRasterWindow
{
public:
    DisplayWindow(const FrameStore &frames, QWindow *parent);

    // Turns the drawn frame clockwise; degrees are rounded to quarter turns.
    void setRotation(float zRot);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const FrameStore &m_frames;
    int m_quarterTurns = 0;
};

} // namespace renderer
