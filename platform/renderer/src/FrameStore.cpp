#include "FrameStore.h"

#include <utility>

namespace renderer {

void FrameStore::publish(std::shared_ptr<const Frame> frame)
{
    std::shared_ptr<const Frame> previous;
    std::lock_guard<std::mutex> lock(m_mutex);
    previous = std::exchange(m_newest, std::move(frame));
    // The previous frame is released after the lock, outside the readers' way.
}

std::shared_ptr<const Frame> FrameStore::newest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_newest;
}

} // namespace renderer
