#include "socket_platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ws2tcpip.h>

namespace service::net {

namespace {

std::atomic<bool> g_started{false};
std::mutex g_startLock;

// errno after a failed recv/send, from the Winsock error.
void setErrnoFromWinsock()
{
    switch (WSAGetLastError()) {
    case 0:
        errno = 0;
        break;
    case WSAEINTR:
        errno = EINTR;
        break;
    case WSAEWOULDBLOCK:
        errno = EAGAIN;
        break;
    default:
        errno = EINVAL;
        break;
    }
}

void setOption(NativeSocket socket, int level, int name, int value)
{
    ::setsockopt(socket, level, name, reinterpret_cast<const char *>(&value), sizeof value);
}

void cleanupAtExit()
{
    WSACleanup();
}

} // namespace

bool startup()
{
    if (g_started.load())
        return true;
    std::lock_guard<std::mutex> lock(g_startLock);
    if (g_started.load())
        return true;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    std::atexit(cleanupAtExit);
    g_started.store(true);
    return true;
}

NativeSocket openServer(std::uint32_t address, int port, int type)
{
    const NativeSocket socket = ::socket(AF_INET, type, 0);
    if (socket == INVALID_SOCKET)
        return kInvalidSocket;
    // Windows lets another process steal a port without this.
    setOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    local.sin_addr.s_addr = htonl(address);
    if (::bind(socket, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        (type == SOCK_STREAM && ::listen(socket, 4) != 0)) {
        ::closesocket(socket);
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
    remote.sin_port = htons(static_cast<u_short>(port));

    const NativeSocket socket = ::socket(AF_INET, type, 0);
    if (socket == INVALID_SOCKET)
        return kInvalidSocket;
    if (::connect(socket, reinterpret_cast<sockaddr *>(&remote), sizeof remote) != 0) {
        ::closesocket(socket);
        return kInvalidSocket;
    }
    return socket;
}

NativeSocket acceptConnection(NativeSocket server, sockaddr *address, int *addressLength)
{
    const SOCKET socket = ::accept(server, address, addressLength);
    return socket == INVALID_SOCKET ? kInvalidSocket : socket;
}

void tuneConnection(NativeSocket socket, int receiveTimeoutMs)
{
    setOption(socket, IPPROTO_TCP, TCP_NODELAY, 1);
    const DWORD timeout = static_cast<DWORD>(receiveTimeoutMs);
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                 sizeof timeout);
}

void shutdownBoth(NativeSocket socket)
{
    ::shutdown(socket, SD_BOTH);
}

void closeSocket(NativeSocket socket)
{
    ::closesocket(socket);
}

int receiveSome(NativeSocket socket, void *buffer, int length)
{
    const int got = ::recv(socket, static_cast<char *>(buffer), length, 0);
    if (got < 0)
        setErrnoFromWinsock();
    return got;
}

int sendSome(NativeSocket socket, const void *buffer, int length)
{
    const int sent = ::send(socket, static_cast<const char *>(buffer), length, 0);
    if (sent < 0)
        setErrnoFromWinsock();
    return sent;
}

// The sockets stay blocking; a socket that select reports writable takes a
// small message without waiting.
int sendSomeNow(NativeSocket socket, const void *buffer, int length)
{
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(socket, &writable);
    timeval now{0, 0};
    if (::select(0, nullptr, &writable, nullptr, &now) != 1) {
        errno = EAGAIN;
        return -1;
    }
    return sendSome(socket, buffer, length);
}

// Winsock's fd_set is a counted array; FD_SET itself skips duplicates and
// stops at FD_SETSIZE (64).
void fdSetAdd(fd_set *set, NativeSocket socket, int limit)
{
    if (static_cast<int>(set->fd_count) >= limit)
        return;
    FD_SET(socket, set);
}

bool fdIsSet(fd_set *set, NativeSocket socket)
{
    return __WSAFDIsSet(socket, set) != 0;
}

int pollReadable(std::vector<PollItem> &items, int timeoutMs)
{
    std::vector<WSAPOLLFD> fds(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        fds[i] = WSAPOLLFD{items[i].socket, POLLRDNORM, 0};
    const int ready = ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs);
    if (ready <= 0)
        return ready;
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].ready = (fds[i].revents & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) != 0;
    return ready;
}

// Winsock has no pipe that WSAPoll can watch: a loopback datagram socket
// that sends to itself does the same.
Waker::Waker()
{
    startup();
    m_read = openServer(INADDR_LOOPBACK, 0, 2);
    if (m_read == kInvalidSocket)
        return;
    sockaddr_in self{};
    int length = sizeof self;
    ::getsockname(m_read, reinterpret_cast<sockaddr *>(&self), &length);
    m_write = ::socket(AF_INET, SOCK_DGRAM, 0);
    ::connect(m_write, reinterpret_cast<sockaddr *>(&self), sizeof self);
    u_long nonBlocking = 1;
    ::ioctlsocket(m_read, FIONBIO, &nonBlocking);
}

Waker::~Waker()
{
    if (m_read != kInvalidSocket)
        ::closesocket(m_read);
    if (m_write != kInvalidSocket)
        ::closesocket(m_write);
}

void Waker::wake()
{
    const char byte = 1;
    ::send(m_write, &byte, 1, 0);
}

void Waker::drain()
{
    char bytes[64];
    while (::recv(m_read, bytes, sizeof bytes, 0) > 0) {
    }
}

} // namespace service::net
