#pragma once

// The guest end of a service connection, for tests: connects on loopback
// and reads and writes exact byte sequences with bounded waits.

#include <guestproto/GuestSocket.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace service_test {

using Bytes = std::vector<std::uint8_t>;

constexpr std::chrono::milliseconds kPeerTimeout{10000};

// A connected guest socket; fails the running test if it cannot connect.
guest::GuestSocket connectGuest(std::uint16_t port);

// A guest that the service behind port has taken as its current
// connection: what probe makes the host send reaches it. What arrived so
// far is read and dropped.
guest::GuestSocket connectServed(int port, const std::function<void()> &probe);

// Reads exactly n bytes; an empty result (and a test failure) if they do not
// arrive in time.
Bytes readBytes(guest::GuestSocket &socket, std::size_t n,
                std::chrono::milliseconds timeout = kPeerTimeout);

// Reads n bytes and compares them with expected.
void expectBytes(guest::GuestSocket &socket, const Bytes &expected);

// True once the host has closed the connection (end of stream).
bool waitClosed(guest::GuestSocket &socket, std::chrono::milliseconds timeout = kPeerTimeout);

void sendBytes(guest::GuestSocket &socket, const Bytes &bytes);

// Big-endian 32-bit integers, for building long test messages.
Bytes ints(std::initializer_list<std::int32_t> values);
Bytes operator+(Bytes a, const Bytes &b);
Bytes textBytes(const std::string &text);

std::string hex(const Bytes &bytes);

// An IPv4 address of this host other than loopback; empty if it has none.
std::string nonLoopbackAddress();

} // namespace service_test
