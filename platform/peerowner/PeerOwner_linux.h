#pragma once

// The two places Linux reports a socket's owner, apart so that tests can
// check each: sock_diag over netlink (exact, one socket looked up by its
// addresses) and /proc/net/tcp{,6} (read whole, for kernels or sandboxes
// without sock_diag).

#include <array>
#include <cstdint>
#include <optional>

namespace peerowner {

struct SocketEnd
{
    // As the kernel keeps it: network byte order, an IPv4 address in the
    // first word.
    std::array<std::uint32_t, 4> address{};
    std::uint16_t port = 0; // host byte order

    bool operator==(const SocketEnd &other) const
    {
        return address == other.address && port == other.port;
    }
};

// The peer socket of an accepted connection, named from its own side: its
// local end is our remote end and the other way round.
struct PeerSocketKey
{
    int family = 0; // AF_INET or AF_INET6
    SocketEnd local;
    SocketEnd remote;
};

struct PeerSocketRow
{
    enum class Found { Yes, No, TableUnreadable };

    Found found = Found::TableUnreadable;
    std::uint32_t uid = 0;
    // 0 once no process holds the socket: the kernel then reports root as
    // its owner.
    std::uint64_t inode = 0;
};

std::optional<PeerSocketKey> peerSocketKeyOf(int connection);

PeerSocketRow lookUpBySockDiag(const PeerSocketKey &key);
PeerSocketRow lookUpInProcTable(const PeerSocketKey &key);

} // namespace peerowner
