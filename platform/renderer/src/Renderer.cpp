#include "Renderer.h"

#include <utility>

namespace renderer {

Renderer &Renderer::instance()
{
    static Renderer renderer;
    return renderer;
}

std::uint16_t Renderer::startServer()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_server)
        return m_server->port();
    auto server = std::make_unique<FrameStreamServer>(
        [this](std::shared_ptr<Frame> frame) { frameReceived(std::move(frame)); });
    if (!server->start())
        return 0;
    m_server = std::move(server);
    return m_server->port();
}

void Renderer::setRotationCallback(RotationCallback callback, void *context)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callback = callback;
    m_callbackContext = context;
}

void Renderer::frameReceived(std::shared_ptr<Frame> frame)
{
    // Reported first, so that the player turns its display before it draws
    // the turned frame.
    reportRotation(frame->rotation);
    m_frames.publish(std::move(frame));
    m_display.frameArrived();
}

void Renderer::reportRotation(std::uint32_t rotation)
{
    if (rotation == m_reportedRotation)
        return;
    m_reportedRotation = rotation;
    RotationCallback callback;
    void *context;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        callback = m_callback;
        context = m_callbackContext;
    }
    if (callback)
        callback(context, float(rotation));
}

} // namespace renderer
