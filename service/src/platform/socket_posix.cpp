#include "socket_platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

namespace service::net {

namespace {

// The library's type numbers are the Winsock ones, which Linux shares.
static_assert(SOCK_STREAM == 1 && SOCK_DGRAM == 2, "socket type numbers");

void setOption(NativeSocket socket, int level, int name, int value)
{
    ::setsockopt(socket, level, name, &value, sizeof value);
}

// Keeps a failing call's errno across the clean-up that follows it.
void closeKeepingErrno(NativeSocket socket)
{
    const int saved = errno;
    ::close(socket);
    errno = saved;
}

} // namespace

bool startup()
{
    return true;
}

NativeSocket openServer(std::uint32_t address, int port, int type)
{
    const NativeSocket socket = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return kInvalidSocket;
    // A restarted player must be able to bind its ports again while the
    // previous run's connections sit in TIME_WAIT.
    setOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(address);
    if (::bind(socket, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        (type == SOCK_STREAM && ::listen(socket, 4) != 0)) {
        closeKeepingErrno(socket);
        return kInvalidSocket;
    }
    return socket;
}

NativeSocket openClient(const char *host, int port, int type)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = type;
    addrinfo *found = nullptr;
    if (host == nullptr || ::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr)
        return kInvalidSocket;

    sockaddr_in remote{};
    std::memcpy(&remote, found->ai_addr, sizeof remote);
    ::freeaddrinfo(found);
    remote.sin_port = htons(static_cast<std::uint16_t>(port));

    const NativeSocket socket = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return kInvalidSocket;
    if (::connect(socket, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) {
        closeKeepingErrno(socket);
        return kInvalidSocket;
    }
    return socket;
}

NativeSocket acceptConnection(NativeSocket server, sockaddr *address, int *addressLength)
{
    socklen_t length =
        addressLength != nullptr && *addressLength > 0 ? static_cast<socklen_t>(*addressLength) : 0;
    NativeSocket socket;
    do {
        socket = ::accept4(server, length > 0 ? address : nullptr, length > 0 ? &length : nullptr,
                           SOCK_CLOEXEC);
    } while (socket < 0 && errno == EINTR);
    if (socket >= 0 && addressLength != nullptr && *addressLength > 0)
        *addressLength = static_cast<int>(length);
    return socket < 0 ? kInvalidSocket : socket;
}

void tuneConnection(NativeSocket socket, int receiveTimeoutMs)
{
    setOption(socket, IPPROTO_TCP, TCP_NODELAY, 1);
    timeval timeout{};
    timeout.tv_sec = receiveTimeoutMs / 1000;
    timeout.tv_usec = (receiveTimeoutMs % 1000) * 1000;
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

void shutdownBoth(NativeSocket socket)
{
    ::shutdown(socket, SHUT_RDWR);
}

void closeSocket(NativeSocket socket)
{
    ::close(socket);
}

int receiveSome(NativeSocket socket, void *buffer, int length)
{
    ssize_t got;
    do {
        got = ::recv(socket, buffer, static_cast<size_t>(length), 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
}

int sendSome(NativeSocket socket, const void *buffer, int length)
{
    ssize_t sent;
    do {
        sent = ::send(socket, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
}

int sendSomeNow(NativeSocket socket, const void *buffer, int length)
{
    ssize_t sent;
    do {
        sent = ::send(socket, buffer, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && errno == EWOULDBLOCK)
        errno = EAGAIN;
    return static_cast<int>(sent);
}

// POSIX fd_set is a bitmap indexed by descriptor: a descriptor at or above
// FD_SETSIZE cannot be stored at all, and the entry count is the number of
// bits set.
void fdSetAdd(fd_set *set, NativeSocket socket, int limit)
{
    if (socket < 0 || socket >= FD_SETSIZE || FD_ISSET(socket, set))
        return;
    int count = 0;
    for (int fd = 0; fd < FD_SETSIZE && count < limit; ++fd)
        count += FD_ISSET(fd, set) ? 1 : 0;
    if (count >= limit)
        return;
    FD_SET(socket, set);
}

bool fdIsSet(fd_set *set, NativeSocket socket)
{
    return socket >= 0 && socket < FD_SETSIZE && FD_ISSET(socket, set);
}

int pollReadable(std::vector<PollItem> &items, int timeoutMs)
{
    std::vector<pollfd> fds(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        fds[i] = pollfd{items[i].socket, POLLIN, 0};
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0)
        return ready;
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].ready = (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return ready;
}

Waker::Waker()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = fds[0];
    m_write = fds[1];
}

Waker::~Waker()
{
    if (m_read != kInvalidSocket)
        ::close(m_read);
    if (m_write != kInvalidSocket)
        ::close(m_write);
}

void Waker::wake()
{
    const char byte = 1;
    // A full pipe already means "wake up"; nothing more to do.
    [[maybe_unused]] const ssize_t written = ::write(m_write, &byte, 1);
}

void Waker::drain()
{
    char bytes[64];
    while (::read(m_read, bytes, sizeof bytes) > 0) {
    }
}

} // namespace service::net
