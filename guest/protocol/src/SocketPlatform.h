#pragma once

// The few system calls GuestSocket needs, one implementation per platform
// (SocketPlatformPosix.cpp here). Each returns -1 on failure and leaves the
// system error in lastError().

#include <guestproto/GuestSocket.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace guest::platform {

extern const NativeSocket kInvalidSocket;

int lastError();

// A blocking, connected socket, or kInvalidSocket with *error set.
NativeSocket connectTcp(const std::string &host, std::uint16_t port, int timeoutMs, int *error);

// One send/recv call; interrupted calls are retried inside. send never
// raises a broken-pipe signal.
long sendSome(NativeSocket socket, const void *data, std::size_t size);
long recvSome(NativeSocket socket, void *buffer, std::size_t size);

// 1 readable (or hung up), 0 timed out, -1 failed. timeoutMs < 0 waits forever.
int waitReadable(NativeSocket socket, int timeoutMs);

bool setNoDelay(NativeSocket socket, bool on);
void closeSocket(NativeSocket socket);

} // namespace guest::platform
