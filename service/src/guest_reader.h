#pragma once

// Reading one guest message from a connection handle, on the loop thread
// that serves every service. The whole message must arrive before one
// deadline, set when the reader is made (the first bytes are there): a
// guest that trickles its bytes holds that thread, and with it every other
// service, no longer than that. Every call either gets all it asked for or
// reports failure (end of stream, error, or the deadline passing); after a
// failure the connection is out of step with the guest and must end.

#include <chrono>
#include <cstdint>

namespace service {

// How long one whole guest message may take to arrive.
constexpr std::chrono::milliseconds kGuestMessageTimeout{2000};

// The longest payload a guest may announce. Nothing the guest sends comes
// near it; a longer length ends the connection at once instead of being
// read away.
constexpr std::int32_t kMaxGuestPayload = 1 << 20;

class GuestReader
{
public:
    explicit GuestReader(int handle, std::chrono::milliseconds timeout = kGuestMessageTimeout);

    bool readInt(std::int32_t &value);
    bool readInts(std::int32_t *values, int count);
    bool readBytes(void *buffer, int length);
    // Reads length bytes (0 to kMaxGuestPayload) and throws them away.
    bool discard(std::int32_t length);

private:
    bool waitReadable();

    const int m_handle;
    const std::chrono::steady_clock::time_point m_deadline;
};

} // namespace service
