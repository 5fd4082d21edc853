#pragma once

// The package-install side of the misc service: the request queue with its
// worker, and the guest's install result.

namespace service {

class GuestReader;

// Sets up an empty queue and starts the worker (misc_start).
void installQueueStart();
// Stops the worker, waits for it and drops every queued request (misc_stop).
void installQueueStop();
// Reads the rest of an install result message; the readable callback's
// result.
int readInstallResult(GuestReader &reader, int handle);

} // namespace service
