#include "HostListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

HostListener::HostListener(const std::string &address, std::uint16_t port) : m_port(port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &socketAddress.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

HostListener::~HostListener()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

guest::GuestSocket HostListener::accept(int timeoutMs)
{
    if (m_fd < 0)
        return {};
    pollfd entry{m_fd, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) != 1)
        return {};
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return {};
    return guest::GuestSocket::adopt(fd);
}
