#pragma once

#include <condition_variable>
#include <mutex>

namespace service {

// An event that wakes one waiter and then clears itself; a signal with no
// waiter stays pending until the next wait.
class AutoResetEvent
{
public:
    void signal();
    void reset();
    void wait();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

} // namespace service
