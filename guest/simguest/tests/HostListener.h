#pragma once

#include <guestproto/GuestSocket.h>

#include <cstdint>
#include <string>

// A listening TCP socket playing a host service for the guest under test.
// Accepted connections are GuestSockets too: plain blocking sockets with
// bounded reads.
class HostListener
{
public:
    HostListener(const std::string &address, std::uint16_t port);
    ~HostListener();
    HostListener(const HostListener &) = delete;
    HostListener &operator=(const HostListener &) = delete;

    bool ok() const { return m_fd >= 0; }
    std::uint16_t port() const { return m_port; }

    // The next connection, or a closed socket when none came within timeoutMs.
    guest::GuestSocket accept(int timeoutMs = 10000);

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};
