// The owner lookup against the running kernel, through sock_diag and through
// /proc/net/tcp{,6} alike.

#include "OtherUserClient.h"
#include "OwnUserGate.h"
#include "PeerOwner_linux.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace peerowner;
using Found = PeerSocketRow::Found;
using Verdict = PeerOwner::Verdict;

std::vector<std::string> g_reports;

struct Fd
{
    int fd = -1;
    ~Fd() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// A listener on a numeric address and a port the system picks; false when
// the host has no such address.
bool listenOn(const char *address, Fd &listener, sockaddr_storage &bound)
{
    bound = {};
    auto &v4 = reinterpret_cast<sockaddr_in &>(bound);
    auto &v6 = reinterpret_cast<sockaddr_in6 &>(bound);
    bound.ss_family = ::inet_pton(AF_INET, address, &v4.sin_addr) == 1 ? AF_INET : AF_INET6;
    if (bound.ss_family == AF_INET6 && ::inet_pton(AF_INET6, address, &v6.sin6_addr) != 1)
        return false;
    socklen_t length = sizeof bound;
    listener.fd = ::socket(bound.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    auto *name = reinterpret_cast<sockaddr *>(&bound);
    return ::bind(listener.fd, name, length) == 0 && ::listen(listener.fd, 8) == 0 &&
           ::getsockname(listener.fd, name, &length) == 0;
}

enum class Peer { Own, ClosedFirst, ResetFirst, OtherUser };

TEST(PeerOwner, EachPeerIsNamedAlikeByBothTablesAndOnlyOurOwnIsAdmitted)
{
    struct Case
    {
        const char *address;
        Peer peer;
        Verdict expected;
    };
    // A closed peer socket lingers with no process and the kernel names
    // root its owner: running as root, that must not pass for our own.
    const Case cases[] = {
        {"127.0.0.1", Peer::Own, Verdict::OwnUser},
        {"127.0.0.2", Peer::Own, Verdict::OwnUser},
        {"::1", Peer::Own, Verdict::OwnUser},
        {"127.0.0.1", Peer::ClosedFirst, Verdict::Unknown},
        {"127.0.0.1", Peer::ResetFirst, Verdict::Unknown},
        {"127.0.0.1", Peer::OtherUser, Verdict::OtherUser},
    };
    OwnUserGate gate([](const std::string &line) { g_reports.push_back(line); });
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.address) + " peer " + std::to_string(int(c.peer)));
        if (c.peer == Peer::OtherUser && !other_user::canRun())
            continue; // only root can run a client as another user
        Fd listener;
        sockaddr_storage bound;
        if (!listenOn(c.address, listener, bound) && std::string(c.address) == "::1")
            continue; // a host without IPv6
        std::future<std::optional<other_user::Outcome>> otherUser;
        Fd client;
        if (c.peer == Peer::OtherUser) {
            otherUser = std::async(std::launch::async, other_user::connectAndRead, c.address,
                                   ntohs(reinterpret_cast<sockaddr_in &>(bound).sin_port),
                                   std::vector<std::uint8_t>{});
        } else {
            client.fd = ::socket(bound.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
            ASSERT_EQ(::connect(client.fd, reinterpret_cast<sockaddr *>(&bound), sizeof bound), 0);
            const linger abort{1, 0};
            if (c.peer == Peer::ResetFirst)
                ::setsockopt(client.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            if (c.peer != Peer::Own)
                client.close();
        }
        pollfd waiting{listener.fd, POLLIN, 0};
        ASSERT_EQ(::poll(&waiting, 1, 10000), 1);
        Fd accepted{::accept(listener.fd, nullptr, nullptr)};

        // Reset, the peer is gone and has no address left to look up.
        if (const std::optional<PeerSocketKey> key = peerSocketKeyOf(accepted.fd)) {
            for (const auto lookUp : {lookUpBySockDiag, lookUpInProcTable}) {
                SCOPED_TRACE(lookUp == lookUpBySockDiag ? "sock_diag" : "/proc");
                const PeerSocketRow row = lookUp(*key);
                if (c.expected == Verdict::Unknown) {
                    EXPECT_TRUE(row.found == Found::No ||
                                (row.found == Found::Yes && row.inode == 0));
                    continue;
                }
                EXPECT_EQ(row.found, Found::Yes);
                EXPECT_NE(row.inode, 0u);
                EXPECT_EQ(row.uid, c.peer == Peer::Own ? ::geteuid() : other_user::kUid);
            }
        }
        EXPECT_EQ(peerOwnerOf(accepted.fd).verdict, c.expected);
        EXPECT_EQ(gate.admit(accepted.fd, 7), c.expected == Verdict::OwnUser);
        EXPECT_EQ(gate.admit(accepted.fd, 7), c.expected == Verdict::OwnUser);
        if (otherUser.valid()) {
            accepted.close();
            const std::optional<other_user::Outcome> outcome = otherUser.get();
            ASSERT_TRUE(outcome);
            EXPECT_TRUE(outcome->closedByServer);
        }
    }
    std::vector<std::string> expected{"connection from another user refused 7 unknown"};
    if (other_user::canRun())
        expected.push_back("connection from another user refused 7 " +
                           std::to_string(other_user::kUid));
    EXPECT_EQ(g_reports, expected);
}

} // namespace
