#pragma once

// Reading guest messages from a connection handle. Every call either gets
// all it asked for or reports failure (end of stream, error, or the
// connection's receive time-out passing in the middle of a message).

#include <cstdint>

namespace service {

bool readInt(int handle, std::int32_t &value);
bool readInts(int handle, std::int32_t *values, int count);
// Reads length bytes and throws them away: how an over-long message is
// skipped while the connection stays in step with the guest.
bool discardFully(int handle, std::int64_t length);

} // namespace service
