#pragma once

#include "Frame.h"

#include <memory>
#include <mutex>

namespace renderer {

// The newest complete frame. The stream thread publishes, the GUI thread
// draws and any thread captures; the lock is held only to swap the pointer.
class FrameStore
{
public:
    void publish(std::shared_ptr<const Frame> frame);
    std::shared_ptr<const Frame> newest() const;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const Frame> m_newest;
};

} // namespace renderer
