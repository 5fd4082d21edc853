#include "OwnUserGate.h"

#include <cstdio>

namespace peerowner {

void OwnUserGate::reportToStandardError(const std::string &line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
}

OwnUserGate::OwnUserGate(Report report) : m_report(report) {}

bool OwnUserGate::admit(Socket connection, int port)
{
    const PeerOwner owner = peerOwnerOf(connection);
    if (owner.verdict == PeerOwner::Verdict::OwnUser)
        return true;
    const std::string name = owner.name.empty() ? "unknown" : owner.name;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_reported.emplace(port, name).second)
            return false;
    }
    m_report("connection from another user refused " + std::to_string(port) + " " + name);
    return false;
}

} // namespace peerowner
