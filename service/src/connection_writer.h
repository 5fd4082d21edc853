#pragma once

// The one writer of a guest connection. Messages are queued by any thread
// and written by the writer's own thread strictly in the order they were
// queued, so a key's down and up (or a touch and the key after it) can
// never overtake each other, and no caller ever blocks on the socket.
// Messages queued while a write is in progress go out together in the
// next write.

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
    // Called on the writer thread with the number of the message's bytes
    // that were written (less than its length after a failed write).
    using Completion = std::function<void(int written)>;

    // A guest that stops reading must not make the host queue without end.
    static constexpr std::size_t kDefaultMaxPendingBytes = std::size_t(64) << 20;

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

    const int m_handle;
    const std::size_t m_maxPendingBytes;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<char> m_pending;
    std::vector<Mark> m_marks;
    bool m_closed = false;
    bool m_writing = false;
    bool m_overflowLogged = false;
    std::thread m_thread;
};

} // namespace service
