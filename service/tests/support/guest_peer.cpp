#include "guest_peer.h"

#include "wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <thread>

namespace service_test {

guest::GuestSocket connectGuest(std::uint16_t port)
{
    guest::GuestSocket socket = guest::GuestSocket::connectTo("127.0.0.1", port, kPeerTimeout);
    EXPECT_TRUE(socket.isOpen()) << "cannot connect to port " << port << ", error "
                                 << socket.lastError();
    return socket;
}

guest::GuestSocket connectServed(int port, const std::function<void()> &probe)
{
    using namespace std::chrono_literals;
    guest::GuestSocket guest = connectGuest(static_cast<std::uint16_t>(port));
    EXPECT_TRUE(waitUntil([&] {
        probe();
        return guest.waitReadable(10ms) == guest::ReadStatus::Ok;
    }));
    std::uint8_t scratch[4096];
    while (guest.waitReadable(50ms) == guest::ReadStatus::Ok)
        guest.readSome(scratch, sizeof scratch, 50ms);
    return guest;
}

Bytes readBytes(guest::GuestSocket &socket, std::size_t n, std::chrono::milliseconds timeout)
{
    Bytes bytes(n);
    const guest::ReadStatus status = socket.readExact(bytes.data(), n, timeout);
    EXPECT_EQ(status, guest::ReadStatus::Ok)
        << "reading " << n << " bytes: " << guest::toString(status);
    if (status != guest::ReadStatus::Ok)
        return {};
    return bytes;
}

void expectBytes(guest::GuestSocket &socket, const Bytes &expected)
{
    EXPECT_EQ(hex(readBytes(socket, expected.size())), hex(expected));
}

bool waitClosed(guest::GuestSocket &socket, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint8_t scratch[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const guest::ReadSomeResult result = socket.readSome(scratch, sizeof scratch, left);
        if (result.status == guest::ReadStatus::Closed || result.status == guest::ReadStatus::Error)
            return true;
        if (result.status == guest::ReadStatus::TimedOut)
            return false;
    }
}

void sendBytes(guest::GuestSocket &socket, const Bytes &bytes)
{
    EXPECT_TRUE(socket.sendAll(bytes)) << "sending " << bytes.size() << " bytes";
}

Bytes ints(std::initializer_list<std::int32_t> values)
{
    Bytes bytes;
    for (const std::int32_t value : values) {
        const auto bits = static_cast<std::uint32_t>(value);
        bytes.push_back(static_cast<std::uint8_t>(bits >> 24));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 16));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
        bytes.push_back(static_cast<std::uint8_t>(bits));
    }
    return bytes;
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes textBytes(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

std::string hex(const Bytes &bytes)
{
    std::string out;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += digits;
    }
    return out;
}

std::string nonLoopbackAddress()
{
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    std::string found;
    for (ifaddrs *entry = list; entry != nullptr && found.empty(); entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        const auto *address = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr);
        if (ntohl(address->sin_addr.s_addr) >> 24 == 127)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
        found = text;
    }
    freeifaddrs(list);
    return found;
}

} // namespace service_test
