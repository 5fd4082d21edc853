#pragma once

#include "Display.h"
#include "Frame.h"
#include "FrameStore.h"
#include "FrameStreamServer.h"
#include "OpenglRender.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace renderer {

// The library's one renderer: the stream server feeding the newest frame to
// the display and to captures, and the rotation reports.
class Renderer
{
public:
    static Renderer &instance();

    // Starts the stream server once; the port it listens on, 0 on failure.
    std::uint16_t startServer();
    void setRotationCallback(RotationCallback callback, void *context);
    // Frames are drawn alike in every mode; the mode is kept for the player.
    void setStreamMode(int mode) { m_streamMode = mode; }
    const FrameStore &frames() const { return m_frames; }
    Display &display() { return m_display; }

private:
    void frameReceived(std::shared_ptr<Frame> frame);
    void reportRotation(std::uint32_t rotation);

    FrameStore m_frames;
    Display m_display{m_frames};
    std::atomic<int> m_streamMode{0};

    std::mutex m_mutex; // guards the server's start and the callback
    RotationCallback m_callback = nullptr;
    void *m_callbackContext = nullptr;
    std::unique_ptr<FrameStreamServer> m_server;

    std::uint32_t m_reportedRotation = 0; // stream thread only
};

} // namespace renderer
