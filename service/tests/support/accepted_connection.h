#pragma once

// A loopback server with one accepted connection and its guest end, for the
// tests that drive the socket layer directly.

#include "support/guest_peer.h"

#include <service/socket.h>

#include <gtest/gtest.h>

namespace service_test {

struct AcceptedConnection
{
    int server = -1;
    int handle = -1;
    guest::GuestSocket guest;

    explicit AcceptedConnection(int port)
    {
        server = socket_loopback_server(port, SERVICE_SOCKET_STREAM);
        EXPECT_GT(server, 0);
        guest = connectGuest(static_cast<std::uint16_t>(port));
        handle = box_accept(server, nullptr, nullptr);
        EXPECT_GT(handle, 0);
    }
    ~AcceptedConnection()
    {
        box_close(handle);
        box_close(server);
    }
};

} // namespace service_test
