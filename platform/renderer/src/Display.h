#pragma once

#include "FrameStore.h"

#include <QRect>
#include <QWindow>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace renderer {

class DisplayWindow;

// The GUI side of the renderer: the display sub-window inside the player's
// display window. Everything but frameArrived() runs on the GUI thread.
class Display
{
public:
    explicit Display(const FrameStore &frames) : m_frames(frames) {}

    void create(WId parent, const QRect &geometry, float zRot);
    void setViewport(const QRect &geometry);
    void setRotation(float zRot);
    // Shows the newest frame; draws only when the sub-window does not show
    // it yet at its size and rotation.
    void repaint();

    // Any thread: asks the GUI thread to draw the newest frame once; calls
    // that arrive before it has drawn are folded into that one draw.
    void frameArrived();

    // The sub-window's pictures drawn so far, and how many of them showed a
    // frame for the first time.
    std::uint64_t draws() const;
    std::uint64_t framesDrawn() const;

    // Deletes the windows while the GUI application still exists.
    void releaseWindows();

private:
    void setParent(WId parent);

    const FrameStore &m_frames;
    QWindow *m_parent = nullptr;
    std::mutex m_windowMutex; // guards m_window for frameArrived()
    DisplayWindow *m_window = nullptr;
    std::atomic<bool> m_redrawPending{false};
};

} // namespace renderer
