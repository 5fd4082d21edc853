#pragma once

// What the library's own tests observe of the server manager.

#include <chrono>

namespace service {

// How long one receive on a guest connection waits for more bytes: the
// bound on a half-sent message holding up every other service.
constexpr std::chrono::milliseconds kGuestReceiveTimeout{3000};

// How long a server whose accept failed (handle table full, descriptor
// limit) is left out of the wait, so that a pending connection that cannot
// be taken does not keep the loop busy.
constexpr std::chrono::milliseconds kAcceptRetryDelay{250};

// Passes of the loop thread so far.
unsigned long serverManagerLoopPasses();

} // namespace service
