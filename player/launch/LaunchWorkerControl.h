#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

// The launch worker as its controller sees it: whether it still runs, and a
// cancellation that the worker notices between its steps and that cuts its
// pauses short. Every operation is safe from any thread.
class LaunchWorkerControl
{
public:
    // Before the worker is queued.
    void workerQueued();
    // The worker's last use of this object: after it returns, the controller
    // may be destroyed.
    void workerFinished();
    bool isWorkerRunning() const;
    // Waits until no worker runs, at most timeoutMs (no bound when negative).
    // True when no worker runs.
    bool waitForWorker(int timeoutMs);

    void cancel();
    bool isCancelled() const;
    // Sleeps ms milliseconds unless cancelled before or meanwhile; false when
    // cancelled.
    bool pause(int ms);
    // The length of the pause in progress; 0 while the worker does not pause.
    int pausingMs() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_workerRunning = false;
    int m_pausingMs = 0;
    // Written under m_mutex so that no waiter misses it; read without.
    std::atomic<bool> m_cancelled{false};
};
