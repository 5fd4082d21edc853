#include "launch/LaunchWorkerControl.h"

#include <chrono>

void LaunchWorkerControl::workerQueued()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_workerRunning = true;
}

void LaunchWorkerControl::workerFinished()
{
    // Notified under the lock: once a waiter sees the flag it may destroy
    // this object, and nothing here touches it after the unlock.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_workerRunning = false;
    m_changed.notify_all();
}

bool LaunchWorkerControl::isWorkerRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_workerRunning;
}

bool LaunchWorkerControl::waitForWorker(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto finished = [this] { return !m_workerRunning; };
    if (timeoutMs < 0) {
        m_changed.wait(lock, finished);
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished);
}

void LaunchWorkerControl::cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancelled.store(true);
    m_changed.notify_all();
}

bool LaunchWorkerControl::isCancelled() const
{
    return m_cancelled.load();
}

bool LaunchWorkerControl::pause(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pausingMs = ms < 0 ? 0 : ms;
    const bool cancelled = m_changed.wait_for(lock, std::chrono::milliseconds(m_pausingMs),
                                              [this] { return m_cancelled.load(); });
    m_pausingMs = 0;
    return !cancelled;
}

int LaunchWorkerControl::pausingMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pausingMs;
}
