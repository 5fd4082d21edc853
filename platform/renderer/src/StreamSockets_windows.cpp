#include "StreamSockets.h"

#include <QtEndian>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace renderer::net {
namespace {

bool winsockStarted()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

Status statusOfLastError()
{
    switch (WSAGetLastError()) {
    case WSAEINTR:
        return Status::Interrupted;
    case WSAEWOULDBLOCK:
        return Status::NothingNow;
    default:
        return Status::Failed;
    }
}

// Not inherited by child processes, and never blocking.
Socket openSocket(int type, int protocol)
{
    if (!winsockStarted())
        return kNoSocket;
    const SOCKET socket = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET)
        return kNoSocket;
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    return socket;
}

// Bound to 127.0.0.1 on a port the system picks; address becomes the bound one.
bool bindLoopback(Socket socket, sockaddr_in *address)
{
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = qToBigEndian<quint32>(INADDR_LOOPBACK);
    int length = sizeof *address;
    return ::bind(socket, reinterpret_cast<sockaddr *>(address), sizeof *address) == 0 &&
           ::getsockname(socket, reinterpret_cast<sockaddr *>(address), &length) == 0;
}

bool ready(const WSAPOLLFD &fd)
{
    return (fd.revents & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

const char *lastError()
{
    thread_local char text[32];
    std::snprintf(text, sizeof text, "Winsock error %d", WSAGetLastError());
    return text;
}

Socket listenOnLoopback(std::uint16_t *port)
{
    Socket listener = openSocket(SOCK_STREAM, IPPROTO_TCP);
    if (listener == kNoSocket)
        return kNoSocket;
    // Without it another program could bind the same port and take the guest's connection.
    const BOOL yes = TRUE;
    ::setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&yes), sizeof yes);
    sockaddr_in address;
    if (!bindLoopback(listener, &address) || ::listen(listener, 4) != 0) {
        const int error = WSAGetLastError();
        closeSocket(listener);
        WSASetLastError(error);
        return kNoSocket;
    }
    *port = qFromBigEndian<quint16>(address.sin_port);
    return listener;
}

Socket acceptConnection(Socket listener, Status *status)
{
    const SOCKET socket = ::accept(listener, nullptr, nullptr);
    if (socket == INVALID_SOCKET) {
        // A connection reset before it was taken leaves the next one to accept.
        *status = WSAGetLastError() == WSAECONNRESET ? Status::Interrupted : statusOfLastError();
        return kNoSocket;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    *status = Status::Done;
    return socket;
}

std::size_t receiveSome(Socket socket, void *buffer, std::size_t size, Status *status)
{
    const int length = int(std::min<std::size_t>(size, INT_MAX));
    const int got = ::recv(socket, static_cast<char *>(buffer), length, 0);
    *status = got >= 0 ? Status::Done : statusOfLastError();
    return got > 0 ? std::size_t(got) : 0;
}

void closeSocket(Socket &socket)
{
    if (socket != kNoSocket)
        ::closesocket(socket);
    socket = kNoSocket;
}

// Winsock has no event object that WSAPoll can watch together with sockets:
// a loopback datagram socket that a second one sends to does the same. The
// pair is connected both ways, so a datagram from any other sender (another
// user's process among them) is dropped and cannot end the stream.
Waiter::Waiter() : m_read(openSocket(SOCK_DGRAM, IPPROTO_UDP)), m_write(openSocket(SOCK_DGRAM, IPPROTO_UDP))
{
    sockaddr_in self;
    sockaddr_in peer;
    if (m_read == kNoSocket || m_write == kNoSocket || !bindLoopback(m_read, &self) ||
        !bindLoopback(m_write, &peer) ||
        ::connect(m_read, reinterpret_cast<sockaddr *>(&peer), sizeof peer) != 0 ||
        ::connect(m_write, reinterpret_cast<sockaddr *>(&self), sizeof self) != 0) {
        closeSocket(m_read);
        closeSocket(m_write);
    }
}

Waiter::~Waiter()
{
    closeSocket(m_read);
    closeSocket(m_write);
}

bool Waiter::isValid() const
{
    return m_read != kNoSocket;
}

Waiter::Ready Waiter::wait(Socket listener, Socket client)
{
    Ready result;
    for (;;) {
        WSAPOLLFD fds[3] = {{m_read, POLLRDNORM, 0}, {listener, POLLRDNORM, 0}, {client, POLLRDNORM, 0}};
        const ULONG count = client != kNoSocket ? 3 : 2;
        if (::WSAPoll(fds, count, -1) < 0) {
            result.failed = true;
            return result;
        }
        result.woken = ready(fds[0]);
        result.listener = ready(fds[1]);
        result.client = count == 3 && ready(fds[2]);
        if (result.woken || result.listener || result.client)
            return result;
    }
}

bool Waiter::wake()
{
    const char byte = 1;
    return ::send(m_write, &byte, 1, 0) == 1;
}

} // namespace renderer::net
