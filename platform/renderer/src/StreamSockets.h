#pragma once

// The system calls of the display-stream server, one implementation per
// platform (StreamSockets_linux.cpp, StreamSockets_windows.cpp). Every socket
// is non-blocking and is not inherited by child processes.

#include <cstddef>
#include <cstdint>

namespace renderer::net {

#if defined(_WIN32)
using Socket = std::uintptr_t;
#else
using Socket = int;
#endif
constexpr Socket kNoSocket = Socket(-1);

// What a call on a non-blocking socket came to.
enum class Status {
    Done,       // it did what was asked
    Interrupted, // nothing happened: call again
    NothingNow, // it would have to wait
    Failed,     // see lastError()
};

// The system's text for the calling thread's last failed call.
const char *lastError();

// Listens on 127.0.0.1 on a port the system picks and gives that port;
// kNoSocket on failure.
Socket listenOnLoopback(std::uint16_t *port);

// One waiting connection, or kNoSocket with a status that is not Done.
Socket acceptConnection(Socket listener, Status *status);

// Receives what is there, up to size bytes; 0 with Done means the peer
// closed the connection.
std::size_t receiveSome(Socket socket, void *buffer, std::size_t size, Status *status);

// Closes the socket, if any, and forgets it.
void closeSocket(Socket &socket);

// Waits for the listener or the client (kNoSocket when there is none) to
// become readable; another thread ends the wait with wake().
class Waiter
{
public:
    // What a wait ended on. The listener and the client are reported
    // together, so that a flood of connections cannot keep the client unread.
    struct Ready {
        bool woken = false;
        bool failed = false;
        bool listener = false;
        bool client = false;
    };

    Waiter();
    ~Waiter();
    Waiter(const Waiter &) = delete;
    Waiter &operator=(const Waiter &) = delete;

    bool isValid() const;
    // An earlier wake() that no wait() has seen yet ends the next wait() at once.
    Ready wait(Socket listener, Socket client);
    // Safe from any thread; false when the signal could not be given.
    bool wake();

private:
    Socket m_read = kNoSocket;
    Socket m_write = kNoSocket; // the same as m_read where one object serves both
};

} // namespace renderer::net
