#pragma once

// The process-wide table behind socket handles. A handle h names record
// h - 100; records are handed out in order until all 128 have been used
// once, then free ones are reused. Only allocation takes a lock: release,
// validation, reads and writes work on atomics, so a handle closed on one
// thread simply fails (EBADF) on another.

#include "platform/socket_platform.h"

#include <atomic>

namespace service {

constexpr int kFirstHandle = 100;
constexpr int kHandleCount = 128;
// Room for the longest label, "<handle>(<kind>:udp<port>)" with both numbers
// at their widest, so that none is ever cut.
constexpr int kLabelSize = 64;

struct HandleRecord;

// The operations of a kind of handle; sockets are the only kind.
struct HandleClass
{
    void (*init)(HandleRecord &record);
    int (*close)(HandleRecord &record);
    int (*read)(HandleRecord &record, void *buffer, int length);
    int (*write)(HandleRecord &record, const void *buffer, int length);
};

struct HandleRecord
{
    std::atomic<const HandleClass *> handleClass{nullptr}; // null while the slot is free
    std::atomic<int> inUse{0};
    std::atomic<net::NativeSocket> socket{net::kInvalidSocket};
    char label[kLabelSize] = {};
};

const HandleClass &socketHandleClass();

// A new socket handle with no socket yet, or -1 when every record is in use.
int allocateHandle();
// The record of a handle that allocateHandle just returned.
HandleRecord &recordOf(int handle);
// Closes the handle's socket and frees the record; a no-op if not open.
void releaseHandle(int handle);
// The record of an open handle, or nullptr with errno EBADF.
HandleRecord *openRecord(int handle);

// One write on an open handle that never waits: the bytes the socket took
// at once, or -1 with errno EAGAIN when it could take none (EBADF when the
// handle is not open).
int writeWithoutWaiting(int handle, const void *buffer, int length);

// Diagnostics and tests.
net::NativeSocket nativeSocketOf(int handle);
const char *handleLabel(int handle);
int handleHighWaterMark();

} // namespace service
