#include "PeerOwner_linux.h"
#include "PeerOwner.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace peerowner {

namespace {

// The kernel's TCP state numbers, as sock_diag and /proc/net/tcp give them.
constexpr unsigned kStateTimeWait = 6;
constexpr unsigned kStateListen = 10;

constexpr std::uint32_t kSequence = 1;
// The kernel answers an exact lookup while the request is being sent; the
// bound only guards against a kernel that does not.
constexpr int kReplyTimeoutUs = 100000;

PeerSocketRow row(PeerSocketRow::Found found)
{
    PeerSocketRow result;
    result.found = found;
    return result;
}

std::optional<SocketEnd> endOf(const sockaddr_storage &address)
{
    SocketEnd end;
    if (address.ss_family == AF_INET) {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
        std::memcpy(end.address.data(), &v4.sin_addr, sizeof v4.sin_addr);
        end.port = ntohs(v4.sin_port);
        return end;
    }
    if (address.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
        std::memcpy(end.address.data(), &v6.sin6_addr, sizeof v6.sin6_addr);
        end.port = ntohs(v6.sin6_port);
        return end;
    }
    return std::nullopt;
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }

private:
    const int m_fd;
};

struct DiagRequest
{
    nlmsghdr header;
    inet_diag_req_v2 body;
};

DiagRequest exactLookup(const PeerSocketKey &key)
{
    DiagRequest request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = kSequence;
    request.body.sdiag_family = static_cast<std::uint8_t>(key.family);
    request.body.sdiag_protocol = IPPROTO_TCP;
    request.body.idiag_states = ~0u;
    request.body.id.idiag_sport = htons(key.local.port);
    request.body.id.idiag_dport = htons(key.remote.port);
    std::memcpy(request.body.id.idiag_src, key.local.address.data(),
                sizeof request.body.id.idiag_src);
    std::memcpy(request.body.id.idiag_dst, key.remote.address.data(),
                sizeof request.body.id.idiag_dst);
    request.body.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    request.body.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    return request;
}

// The one answer to an exact lookup: the socket, or an error.
PeerSocketRow readReply(const char *bytes, std::size_t size, const PeerSocketKey &key)
{
    nlmsghdr header;
    if (size < sizeof header)
        return row(PeerSocketRow::Found::TableUnreadable);
    std::memcpy(&header, bytes, sizeof header);
    if (header.nlmsg_len > size || header.nlmsg_seq != kSequence)
        return row(PeerSocketRow::Found::TableUnreadable);
    const char *payload = bytes + NLMSG_HDRLEN;
    const std::size_t payloadSize =
        header.nlmsg_len - std::min<std::size_t>(header.nlmsg_len, NLMSG_HDRLEN);
    if (header.nlmsg_type == NLMSG_ERROR) {
        nlmsgerr error;
        if (payloadSize < sizeof error)
            return row(PeerSocketRow::Found::TableUnreadable);
        std::memcpy(&error, payload, sizeof error);
        return row(error.error == -ENOENT ? PeerSocketRow::Found::No
                                          : PeerSocketRow::Found::TableUnreadable);
    }
    inet_diag_msg message;
    if (header.nlmsg_type != SOCK_DIAG_BY_FAMILY || payloadSize < sizeof message)
        return row(PeerSocketRow::Found::TableUnreadable);
    std::memcpy(&message, payload, sizeof message);
    // A lookup that misses every connection falls back on a listener bound
    // to the peer's port; that is not the peer.
    if (message.idiag_state == kStateListen || ntohs(message.id.idiag_sport) != key.local.port ||
        ntohs(message.id.idiag_dport) != key.remote.port)
        return row(PeerSocketRow::Found::No);
    PeerSocketRow result = row(PeerSocketRow::Found::Yes);
    result.uid = message.idiag_uid;
    result.inode = message.idiag_inode;
    return result;
}

struct ProcRow
{
    SocketEnd local;
    SocketEnd remote;
    unsigned state = 0;
    std::uint32_t uid = 0;
    std::uint64_t inode = 0;
};

// One line of /proc/net/tcp or tcp6, in the kernel's layout: each address
// word printed as the number it is in memory, ports in host order.
std::optional<ProcRow> parseProcLine(const std::string &line, int family)
{
    ProcRow row;
    unsigned localPort = 0;
    unsigned remotePort = 0;
    unsigned long inode = 0;
    auto &l = row.local.address;
    auto &r = row.remote.address;
    const int fields =
        family == AF_INET
            ? std::sscanf(line.c_str(), " %*u: %8x:%4x %8x:%4x %2x %*x:%*x %*x:%*x %*x %u %*d %lu",
                          &l[0], &localPort, &r[0], &remotePort, &row.state, &row.uid, &inode)
            : std::sscanf(line.c_str(),
                          " %*u: %8x%8x%8x%8x:%4x %8x%8x%8x%8x:%4x %2x %*x:%*x %*x:%*x %*x %u "
                          "%*d %lu",
                          &l[0], &l[1], &l[2], &l[3], &localPort, &r[0], &r[1], &r[2], &r[3],
                          &remotePort, &row.state, &row.uid, &inode);
    if (fields != (family == AF_INET ? 7 : 13))
        return std::nullopt;
    row.local.port = static_cast<std::uint16_t>(localPort);
    row.remote.port = static_cast<std::uint16_t>(remotePort);
    row.inode = inode;
    return row;
}

} // namespace

std::optional<PeerSocketKey> peerSocketKeyOf(int connection)
{
    sockaddr_storage ours{};
    sockaddr_storage theirs{};
    socklen_t oursLength = sizeof ours;
    socklen_t theirsLength = sizeof theirs;
    if (::getsockname(connection, reinterpret_cast<sockaddr *>(&ours), &oursLength) != 0 ||
        ::getpeername(connection, reinterpret_cast<sockaddr *>(&theirs), &theirsLength) != 0 ||
        ours.ss_family != theirs.ss_family)
        return std::nullopt;
    const std::optional<SocketEnd> local = endOf(theirs);
    const std::optional<SocketEnd> remote = endOf(ours);
    if (!local || !remote)
        return std::nullopt;
    return PeerSocketKey{ours.ss_family, *local, *remote};
}

PeerSocketRow lookUpBySockDiag(const PeerSocketKey &key)
{
    const Descriptor diag(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (diag.get() < 0)
        return row(PeerSocketRow::Found::TableUnreadable);
    const timeval timeout{0, kReplyTimeoutUs};
    ::setsockopt(diag.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    const DiagRequest request = exactLookup(key);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(diag.get(), &request, sizeof request, 0, reinterpret_cast<sockaddr *>(&kernel),
                 sizeof kernel) != static_cast<ssize_t>(sizeof request))
        return row(PeerSocketRow::Found::TableUnreadable);
    char reply[1024];
    ssize_t got;
    do {
        got = ::recv(diag.get(), reply, sizeof reply, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return row(PeerSocketRow::Found::TableUnreadable);
    return readReply(reply, static_cast<std::size_t>(got), key);
}

// An IPv4 peer of a dual-stack listener sits in /proc/net/tcp, not under
// its mapped address in tcp6: not found here, so refused.
PeerSocketRow lookUpInProcTable(const PeerSocketKey &key)
{
    std::ifstream table(key.family == AF_INET6 ? "/proc/net/tcp6" : "/proc/net/tcp");
    std::string line;
    if (!std::getline(table, line)) // the column titles
        return row(PeerSocketRow::Found::TableUnreadable);
    while (std::getline(table, line)) {
        const std::optional<ProcRow> entry = parseProcLine(line, key.family);
        if (!entry)
            return row(PeerSocketRow::Found::TableUnreadable);
        if (entry->local == key.local && entry->remote == key.remote &&
            entry->state != kStateTimeWait) {
            PeerSocketRow result = row(PeerSocketRow::Found::Yes);
            result.uid = entry->uid;
            result.inode = entry->inode;
            return result;
        }
    }
    return row(PeerSocketRow::Found::No);
}

PeerOwner peerOwnerOf(Socket connection)
{
    const std::optional<PeerSocketKey> key = peerSocketKeyOf(connection);
    if (!key)
        return {};
    PeerSocketRow peer = lookUpBySockDiag(*key);
    if (peer.found == PeerSocketRow::Found::TableUnreadable)
        peer = lookUpInProcTable(*key);
    if (peer.found != PeerSocketRow::Found::Yes || peer.inode == 0)
        return {};
    const auto verdict =
        peer.uid == ::geteuid() ? PeerOwner::Verdict::OwnUser : PeerOwner::Verdict::OtherUser;
    return {verdict, std::to_string(peer.uid)};
}

} // namespace peerowner
