#pragma once

#include "GuestProcess.h"

// How GuestProcess::terminate ends a guest, one implementation per system
// (GuestProcess_linux.cpp, GuestProcess_windows.cpp). terminate calls them
// only while isRunning(handle) holds.
namespace GuestProcess::end {

// Asks the guest's process group to end, so the guest can save its state.
void ask(const Handle &handle);

// Ends the guest at once.
void force(const Handle &handle);

} // namespace GuestProcess::end
