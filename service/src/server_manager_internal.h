#pragma once

// What the services and the library's own tests use of the server manager
// beyond its exported interface.

#include <chrono>

namespace service {

// How long one receive on a guest connection may wait: a safety net under
// the readers' deadline for a whole message (guest_reader.h).
constexpr std::chrono::milliseconds kGuestReceiveTimeout{3000};

// How long a server whose accept failed (handle table full, descriptor
// limit) is left out of the wait, so that a pending connection that cannot
// be taken does not keep the loop busy.
constexpr std::chrono::milliseconds kAcceptRetryDelay{250};

// Registers a service's reset, which server_manager_cleanup runs after the
// loop thread has ended and before it closes what is left: the reset ends
// the service's connection (its writer before its handle) and leaves the
// service not started, so that init and start can run again. Registering
// the same function again changes nothing.
void onServerManagerCleanup(void (*reset)());

// Passes of the loop thread so far.
unsigned long serverManagerLoopPasses();

} // namespace service
