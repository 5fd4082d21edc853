#pragma once

// The check every guest-facing server makes at accept, before a connection
// can become its current one: only a peer of this process's own user gets
// in; any other, and any whose owner cannot be told, is refused.

#include "PeerOwner.h"

#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace peerowner {

class OwnUserGate
{
public:
    // Gets one log line, without its line end.
    using Report = void (*)(const std::string &line);

    static void reportToStandardError(const std::string &line);

    explicit OwnUserGate(Report report = reportToStandardError);
    OwnUserGate(const OwnUserGate &) = delete;
    OwnUserGate &operator=(const OwnUserGate &) = delete;

    // True when the accepted connection's peer belongs to this process's
    // user; the caller closes a refused one at once. A refusal is reported
    // the first time its owner is met on that port, so that a client
    // connecting over and over cannot flood the log.
    bool admit(Socket connection, int port);

private:
    const Report m_report;
    std::mutex m_mutex;
    std::set<std::pair<int, std::string>> m_reported;
};

} // namespace peerowner
