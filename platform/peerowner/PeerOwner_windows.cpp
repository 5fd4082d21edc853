#include "PeerOwner.h"

// Winsock before windows.h, and the IP helper after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace peerowner {

namespace {

using Bytes = std::vector<unsigned char>;

struct Ends
{
    sockaddr_storage ours{};
    sockaddr_storage theirs{};
};

bool endsOf(Socket connection, Ends &ends)
{
    int oursLength = sizeof ends.ours;
    int theirsLength = sizeof ends.theirs;
    return ::getsockname(connection, reinterpret_cast<sockaddr *>(&ends.ours), &oursLength) == 0 &&
           ::getpeername(connection, reinterpret_cast<sockaddr *>(&ends.theirs), &theirsLength) ==
               0 &&
           ends.ours.ss_family == ends.theirs.ss_family;
}

// The system's TCP connections with their owning processes, for one address
// family; empty when the table cannot be read. It may grow between asking
// for its size and reading it, hence a few tries.
Bytes connectionTable(ULONG family)
{
    Bytes table;
    DWORD size = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD result =
            ::GetExtendedTcpTable(table.empty() ? nullptr : table.data(), &size, FALSE, family,
                                  TCP_TABLE_OWNER_PID_CONNECTIONS, 0);
        if (result == NO_ERROR)
            return table;
        if (result != ERROR_INSUFFICIENT_BUFFER || size == 0)
            return {};
        table.resize(size);
    }
    return {};
}

bool samePort(DWORD rowPort, u_short socketPort)
{
    // Only the low 16 bits of a row's port are set, in network order.
    return (rowPort & 0xFFFF) == socketPort;
}

// The owning process of the first row that matches, or 0 when none does
// (the system's idle process, 0, holds only connections in TIME_WAIT).
// Rows are counted from the bytes the table fills, whatever its count says.
template <typename Table, typename Matches> DWORD owningProcessIn(ULONG family, Matches matches)
{
    const Bytes bytes = connectionTable(family);
    if (bytes.size() < sizeof(Table))
        return 0;
    const auto &table = *reinterpret_cast<const Table *>(bytes.data());
    const std::size_t room = (bytes.size() - offsetof(Table, table)) / sizeof table.table[0];
    const std::size_t count = std::min<std::size_t>(table.dwNumEntries, room);
    for (std::size_t i = 0; i < count; ++i) {
        if (matches(table.table[i]))
            return table.table[i].dwOwningPid;
    }
    return 0;
}

// The peer's row: its local end is our remote end.
DWORD owningProcess(const Ends &ends)
{
    if (ends.ours.ss_family == AF_INET) {
        const auto &ours = reinterpret_cast<const sockaddr_in &>(ends.ours);
        const auto &theirs = reinterpret_cast<const sockaddr_in &>(ends.theirs);
        return owningProcessIn<MIB_TCPTABLE_OWNER_PID>(
            AF_INET, [&](const MIB_TCPROW_OWNER_PID &row) {
                return row.dwLocalAddr == theirs.sin_addr.s_addr &&
                       samePort(row.dwLocalPort, theirs.sin_port) &&
                       row.dwRemoteAddr == ours.sin_addr.s_addr &&
                       samePort(row.dwRemotePort, ours.sin_port);
            });
    }
    if (ends.ours.ss_family == AF_INET6) {
        const auto &ours = reinterpret_cast<const sockaddr_in6 &>(ends.ours);
        const auto &theirs = reinterpret_cast<const sockaddr_in6 &>(ends.theirs);
        return owningProcessIn<MIB_TCP6TABLE_OWNER_PID>(
            AF_INET6, [&](const MIB_TCP6ROW_OWNER_PID &row) {
                return std::memcmp(row.ucLocalAddr, &theirs.sin6_addr, 16) == 0 &&
                       samePort(row.dwLocalPort, theirs.sin6_port) &&
                       std::memcmp(row.ucRemoteAddr, &ours.sin6_addr, 16) == 0 &&
                       samePort(row.dwRemotePort, ours.sin6_port);
            });
    }
    return 0;
}

// The TOKEN_USER of a process; empty when it cannot be read. Another user's
// process usually cannot even be opened: that peer stays unknown.
Bytes tokenUserOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    Bytes user(size);
    const bool read = size >= sizeof(TOKEN_USER) &&
                      ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    ::CloseHandle(token);
    return read ? user : Bytes{};
}

Bytes tokenUserOfProcess(DWORD processId)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return {};
    Bytes user = tokenUserOf(process);
    ::CloseHandle(process);
    return user;
}

PSID sidOf(Bytes &tokenUser)
{
    return reinterpret_cast<TOKEN_USER *>(tokenUser.data())->User.Sid;
}

std::string sidText(PSID sid)
{
    LPSTR text = nullptr;
    if (!::ConvertSidToStringSidA(sid, &text))
        return "?";
    std::string result(text);
    ::LocalFree(text);
    return result;
}

} // namespace

PeerOwner peerOwnerOf(Socket connection)
{
    Ends ends;
    if (!endsOf(connection, ends))
        return {};
    const DWORD processId = owningProcess(ends);
    if (processId == 0)
        return {};
    Bytes peer = tokenUserOfProcess(processId);
    Bytes own = tokenUserOf(::GetCurrentProcess());
    if (peer.empty() || own.empty())
        return {};
    const auto verdict = ::EqualSid(sidOf(peer), sidOf(own)) ? PeerOwner::Verdict::OwnUser
                                                             : PeerOwner::Verdict::OtherUser;
    return {verdict, sidText(sidOf(peer))};
}

} // namespace peerowner
