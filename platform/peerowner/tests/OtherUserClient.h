#pragma once

// A client of a loopback port run as another local user (nobody, through
// setpriv), for tests of what other users can reach. It is bash with
// /dev/tcp, so that it needs nothing from a build folder that user may not
// be able to enter.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace other_user {

constexpr std::uint32_t kUid = 65534;

// Only root may start a process as another user.
bool canRun();

struct Outcome
{
    bool closedByServer = false; // false: still open after 10 s
    std::size_t received = 0;
};

// Connects to host:port as that user, sends the bytes, then reads until
// the connection ends or 10 s pass; nothing if it could not connect.
std::optional<Outcome> connectAndRead(const std::string &host, std::uint16_t port,
                                      const std::vector<std::uint8_t> &send = {});

} // namespace other_user
