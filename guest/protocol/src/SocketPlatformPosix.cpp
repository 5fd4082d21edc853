#include "SocketPlatform.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace guest::platform {

const NativeSocket kInvalidSocket = -1;

namespace {

using Clock = std::chrono::steady_clock;

bool setBlocking(int socket, bool blocking)
{
    const int flags = ::fcntl(socket, F_GETFL, 0);
    if (flags < 0)
        return false;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(socket, F_SETFL, wanted) == 0;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for events on one socket; EINTR does not extend the deadline.
int pollFor(int socket, short events, int timeoutMs, short *revents)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd entry{socket, events, 0};
        const int rc = ::poll(&entry, 1, timeoutMs < 0 ? -1 : remainingMs(deadline));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc > 0 && (entry.revents & POLLNVAL)) {
            errno = EBADF;
            return -1;
        }
        *revents = entry.revents;
        return rc;
    }
}

// Connects one resolved address; the socket stays non-blocking until done so
// that the connect can be bounded.
int connectOne(const addrinfo &address, int timeoutMs, int *error)
{
    const int socket = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC,
                                address.ai_protocol);
    if (socket < 0) {
        *error = errno;
        return -1;
    }
    auto fail = [&](int code) {
        *error = code;
        ::close(socket);
        return -1;
    };
    if (!setBlocking(socket, false))
        return fail(errno);
    if (::connect(socket, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS)
            return fail(errno);
        short revents = 0;
        const int rc = pollFor(socket, POLLOUT, timeoutMs, &revents);
        if (rc < 0)
            return fail(errno);
        if (rc == 0)
            return fail(ETIMEDOUT);
        int soError = 0;
        socklen_t length = sizeof soError;
        if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &soError, &length) != 0)
            return fail(errno);
        if (soError != 0)
            return fail(soError);
    }
    if (!setBlocking(socket, true))
        return fail(errno);
    return socket;
}

} // namespace

int lastError()
{
    return errno;
}

NativeSocket connectTcp(const std::string &host, std::uint16_t port, int timeoutMs, int *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        *error = EHOSTUNREACH;
        return kInvalidSocket;
    }
    int socket = kInvalidSocket;
    for (const addrinfo *entry = found; entry && socket < 0; entry = entry->ai_next)
        socket = connectOne(*entry, timeoutMs, error);
    ::freeaddrinfo(found);
    return socket;
}

long sendSome(NativeSocket socket, const void *data, std::size_t size)
{
    for (;;) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        return static_cast<long>(sent);
    }
}

long recvSome(NativeSocket socket, void *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::recv(socket, buffer, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        return static_cast<long>(got);
    }
}

int waitReadable(NativeSocket socket, int timeoutMs)
{
    short revents = 0;
    const int rc = pollFor(socket, POLLIN, timeoutMs, &revents);
    return rc > 0 ? 1 : rc;
}

bool setNoDelay(NativeSocket socket, bool on)
{
    const int value = on ? 1 : 0;
    return ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

void closeSocket(NativeSocket socket)
{
    ::close(socket);
}

} // namespace guest::platform
