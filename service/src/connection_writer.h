#pragma once

// The one writer of a guest connection. Messages are posted by any thread
// and reach the guest strictly in the order they were posted, so a key's
// down and up (or a touch and the key after it) can never overtake each
// other, and no caller ever blocks on the socket. While nothing is queued
// and no write is in progress a message goes out at once, on the caller's
// thread, with a send that does not wait: the common case of a key or a
// touch then costs one system call and no thread hand-off. Only what that
// send could not take is queued for the writer's own thread; messages
// posted meanwhile go out together in its next write. A long run of posts
// back to back is a burst: past its first few messages it is queued too,
// so that it goes out in a few large writes rather than one call per
// message.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace service {

class ConnectionWriter
{
public:
    // Called with the number of the message's bytes that were written (less
    // than its length after a failed write), on the thread that wrote its
    // last byte: the caller's own, inside post, when it went out at once.
    using Completion = std::function<void(int written)>;

    // A guest that stops reading must not make the host queue without end.
    static constexpr std::size_t kDefaultMaxPendingBytes = std::size_t(64) << 20;
    // Posts closer than this to the previous one continue a run; past
    // kImmediateInRun posts the run is a burst.
    static constexpr std::chrono::microseconds kBurstGap{20};
    static constexpr int kImmediateInRun = 4;

    explicit ConnectionWriter(int handle, std::size_t maxPendingBytes = kDefaultMaxPendingBytes);
    ~ConnectionWriter();
    ConnectionWriter(const ConnectionWriter &) = delete;
    ConnectionWriter &operator=(const ConnectionWriter &) = delete;

    // False when the writer is closed or the queue is full (the message is
    // dropped, with a log line once per backlog).
    bool post(const void *bytes, int length, Completion done = {});

    // Drops what is still queued, interrupts a write in progress (the
    // connection is being closed) and ends the writer thread.
    void close();

    int handle() const { return m_handle; }

private:
    struct Mark
    {
        std::size_t begin;
        std::size_t end;
        Completion done;
    };

    void run();
    // The part of the message the socket takes at once; failed is set when
    // the connection is broken rather than full.
    int sendNow(const char *bytes, int length, bool &failed);
    void queue(const char *bytes, int length, Completion done);

    const int m_handle;
    const std::size_t m_maxPendingBytes;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<char> m_pending;
    std::vector<Mark> m_marks;
    bool m_closed = false;
    bool m_writing = false;
    bool m_overflowLogged = false;
    std::chrono::steady_clock::time_point m_lastPost{};
    int m_run = 0;
    std::thread m_thread;
};

} // namespace service
