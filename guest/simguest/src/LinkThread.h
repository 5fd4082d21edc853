#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

// The lifecycle that the guest's links share: one thread of their own that
// keeps a connection up until stop(), a drop on request, and the state the
// thread and the callers share under one lock. A derived class runs its
// connection loop in run(), says in interruptLocked() how its waits are cut
// short, and calls stop() in its destructor, before its own members go.
class LinkThread
{
public:
    LinkThread(const LinkThread &) = delete;
    LinkThread &operator=(const LinkThread &) = delete;

    // Starts the thread; once only.
    void start();
    // Ends the connection and joins the thread; it also unblocks a write
    // that the peer does not read.
    void stop();
    // Ends the current connection; the link then reconnects. False when
    // there was none.
    bool drop();
    bool isConnected() const;

protected:
    LinkThread() = default;
    ~LinkThread();

    virtual void run() = 0;
    // Wakes the thread wherever it waits; called with m_mutex held.
    virtual void interruptLocked() = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
    bool m_dropRequested = false;
    int m_connectedFd = -1; // the current connection's socket, -1 while none

private:
    std::thread m_thread;
};
