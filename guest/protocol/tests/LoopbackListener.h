#pragma once

// A plain POSIX listening socket on 127.0.0.1 for the tests: the host side
// the guest socket talks to.

#include <guestproto/GuestSocket.h>

#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

class LoopbackListener
{
public:
    explicit LoopbackListener(std::uint16_t port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
               ::listen(m_fd, 4) == 0;
    }
    ~LoopbackListener() { ::close(m_fd); }
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    bool ok() const { return m_ok; }

    // The accepted peer, or a closed socket if none arrived within timeoutMs.
    guest::GuestSocket accept(int timeoutMs = 5000)
    {
        pollfd entry{m_fd, POLLIN, 0};
        if (::poll(&entry, 1, timeoutMs) != 1)
            return {};
        return guest::GuestSocket::adopt(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC));
    }

private:
    int m_fd = -1;
    bool m_ok = false;
};
