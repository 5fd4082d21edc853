#pragma once

// The system socket calls the library needs, one implementation per
// platform (socket_posix.cpp here, socket_windows.cpp for Winsock). Failed
// calls leave errno set: the system's own on POSIX, mapped from the Winsock
// error on Windows.

#include <cstdint>
#include <vector>

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <sys/select.h>
#include <sys/socket.h>
#endif

namespace service::net {

#if defined(_WIN32)
using NativeSocket = std::uintptr_t;
constexpr NativeSocket kInvalidSocket = ~NativeSocket(0);
#else
using NativeSocket = int;
constexpr NativeSocket kInvalidSocket = -1;
#endif

// Starts the socket layer once per process; false if it could not start
// (the next call tries again).
bool startup();

// A socket of the given type (1 stream, 2 datagram) bound to the IPv4
// address (host byte order) and port, listening with a backlog of 4 when it
// is a stream socket. kInvalidSocket on failure.
NativeSocket openServer(std::uint32_t address, int port, int type);
NativeSocket openClient(const char *host, int port, int type);
NativeSocket acceptConnection(NativeSocket server, sockaddr *address, int *addressLength);

// For an accepted guest connection: no Nagle delay, and a bound on how long
// one receive waits so that a half-sent message cannot stall the caller.
void tuneConnection(NativeSocket socket, int receiveTimeoutMs);

void shutdownBoth(NativeSocket socket);
void closeSocket(NativeSocket socket);

// One receive / send call; -1 with errno on failure. Never raises a signal
// for a peer that has gone.
int receiveSome(NativeSocket socket, void *buffer, int length);
int sendSome(NativeSocket socket, const void *buffer, int length);
// One send that never waits: what the socket can take at once, or -1 with
// errno EAGAIN when it can take nothing now.
int sendSomeNow(NativeSocket socket, const void *buffer, int length);

void fdSetAdd(fd_set *set, NativeSocket socket, int limit);
bool fdIsSet(fd_set *set, NativeSocket socket);

struct PollItem
{
    NativeSocket socket = kInvalidSocket;
    bool ready = false; // readable, closed by the peer, or failed
};

// Waits until one of the sockets (or the waker) is ready or the time-out
// passes; 0 on time-out, -1 on failure, otherwise the number ready.
int pollReadable(std::vector<PollItem> &items, int timeoutMs);

// Lets another thread end a pollReadable early.
class Waker
{
public:
    Waker();
    ~Waker();
    Waker(const Waker &) = delete;
    Waker &operator=(const Waker &) = delete;

    void wake();
    // The item to watch; drain() once it is ready.
    NativeSocket pollSocket() const { return m_read; }
    void drain();

private:
    NativeSocket m_read = kInvalidSocket;
    NativeSocket m_write = kInvalidSocket;
};

} // namespace service::net
