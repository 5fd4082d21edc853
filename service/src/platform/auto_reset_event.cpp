#include "auto_reset_event.h"

namespace service {

void AutoResetEvent::signal()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    m_changed.notify_one();
}

void AutoResetEvent::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

void AutoResetEvent::wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
}

} // namespace service
