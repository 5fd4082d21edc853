#pragma once

// Who holds the other end of a TCP connection on this host. Loopback is open
// to every local user, so a server meant for the user's own guest asks this
// of each connection it accepts and keeps only those whose peer socket
// belongs to the user running it. One implementation per system
// (PeerOwner_<system>.cpp).

#include <cstdint>
#include <string>

namespace peerowner {

#if defined(_WIN32)
using Socket = std::uintptr_t;
#else
using Socket = int;
#endif

struct PeerOwner
{
    enum class Verdict { OwnUser, OtherUser, Unknown };

    Verdict verdict = Verdict::Unknown;
    // The owner as the system names users (a uid on Linux, a SID on
    // Windows); empty while unknown.
    std::string name;
};

// The owner of the peer socket of an accepted connection. Unknown when it
// cannot be told for sure: the peer socket is gone or no process holds it
// any more, or the system's tables cannot be read.
PeerOwner peerOwnerOf(Socket connection);

} // namespace peerowner
