#include "StreamSockets.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace renderer::net {
namespace {

Status statusOfErrno()
{
    if (errno == EINTR)
        return Status::Interrupted;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return Status::NothingNow;
    return Status::Failed;
}

} // namespace

const char *lastError()
{
    return std::strerror(errno);
}

Socket listenOnLoopback(std::uint16_t *port)
{
    Socket listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return kNoSocket;
    // A port left in TIME_WAIT by an earlier server may be bound again.
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = qToBigEndian<quint32>(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        const int error = errno;
        closeSocket(listener);
        errno = error;
        return kNoSocket;
    }
    *port = qFromBigEndian<quint16>(address.sin_port);
    return listener;
}

Socket acceptConnection(Socket listener, Status *status)
{
    const Socket socket = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket >= 0) {
        *status = Status::Done;
        return socket;
    }
    // A connection reset before it was taken leaves the next one to accept.
    *status = errno == ECONNABORTED ? Status::Interrupted : statusOfErrno();
    return kNoSocket;
}

std::size_t receiveSome(Socket socket, void *buffer, std::size_t size, Status *status)
{
    const ssize_t got = ::recv(socket, buffer, size, 0);
    *status = got >= 0 ? Status::Done : statusOfErrno();
    return got > 0 ? std::size_t(got) : 0;
}

void closeSocket(Socket &socket)
{
    if (socket != kNoSocket)
        ::close(socket);
    socket = kNoSocket;
}

Waiter::Waiter() : m_read(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_write(m_read) {}

Waiter::~Waiter()
{
    closeSocket(m_read);
}

bool Waiter::isValid() const
{
    return m_read != kNoSocket;
}

Waiter::Ready Waiter::wait(Socket listener, Socket client)
{
    Ready ready;
    for (;;) {
        pollfd fds[3] = {{m_read, POLLIN, 0}, {listener, POLLIN, 0}, {client, POLLIN, 0}};
        const nfds_t count = client != kNoSocket ? 3 : 2;
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            ready.failed = true;
            return ready;
        }
        ready.woken = fds[0].revents != 0;
        ready.listener = fds[1].revents != 0;
        ready.client = count == 3 && fds[2].revents != 0;
        if (ready.woken || ready.listener || ready.client)
            return ready;
    }
}

bool Waiter::wake()
{
    const std::uint64_t one = 1;
    return ::write(m_write, &one, sizeof one) == sizeof one;
}

} // namespace renderer::net
