#pragma once

// The misc connection and its message codes, shared by the services that
// travel on it (package install, GPS).

#include "current_connection.h"

#include <cstdint>

namespace service {

constexpr std::int32_t kMiscGps = 205874;
constexpr std::int32_t kMiscInstall = 205875;
constexpr std::int32_t kMiscShake = 205876;
constexpr std::int32_t kMiscEngine = 205877;
constexpr std::int32_t kMiscMouseLock = 205878;
constexpr std::int32_t kMiscGuestReady = 205879;

CurrentConnection &miscConnection();
// Ends the misc connection if handle is still it (a message went out of
// step; the guest reconnects); the readable callback's result, -1.
int endMiscConnection(int handle);
// The misc server's readable callback (server_manager.h): reads one guest
// message from handle and acts on it.
int miscReadable(int handle);

} // namespace service
