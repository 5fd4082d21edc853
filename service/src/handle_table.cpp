#include "handle_table.h"

#include <cerrno>
#include <mutex>

namespace service {

namespace {

HandleRecord g_records[kHandleCount];
std::atomic<int> g_highWater{0};
std::mutex g_allocationLock;

void socketInit(HandleRecord &record)
{
    record.socket.store(net::kInvalidSocket);
}

int socketClose(HandleRecord &record)
{
    const net::NativeSocket socket = record.socket.exchange(net::kInvalidSocket);
    if (socket != net::kInvalidSocket) {
        net::shutdownBoth(socket);
        net::closeSocket(socket);
    }
    return 0;
}

int socketRead(HandleRecord &record, void *buffer, int length)
{
    if (length < 0) {
        errno = EINVAL;
        return -1;
    }
    // A zero-length receive on a blocking socket waits for data to arrive.
    if (length == 0)
        return 0;
    return net::receiveSome(record.socket.load(), buffer, length);
}

int socketWrite(HandleRecord &record, const void *buffer, int length)
{
    if (length < 0) {
        errno = EINVAL;
        return -1;
    }
    if (length == 0)
        return 0;
    return net::sendSome(record.socket.load(), buffer, length);
}

const HandleClass g_socketClass{socketInit, socketClose, socketRead, socketWrite};

int takeFreeIndex()
{
    const int mark = g_highWater.load();
    if (mark < kHandleCount) {
        g_highWater.store(mark + 1);
        return mark;
    }
    for (int i = 0; i < kHandleCount; ++i) {
        if (g_records[i].handleClass.load() == nullptr)
            return i;
    }
    return -1;
}

} // namespace

const HandleClass &socketHandleClass()
{
    return g_socketClass;
}

int allocateHandle()
{
    std::lock_guard<std::mutex> lock(g_allocationLock);
    const int index = takeFreeIndex();
    if (index < 0)
        return -1;
    HandleRecord &record = g_records[index];
    record.handleClass.store(&g_socketClass);
    record.label[0] = '\0';
    g_socketClass.init(record);
    record.inUse.store(1);
    return index + kFirstHandle;
}

HandleRecord &recordOf(int handle)
{
    return g_records[handle - kFirstHandle];
}

void releaseHandle(int handle)
{
    const int index = handle - kFirstHandle;
    if (index < 0 || index >= kHandleCount)
        return;
    HandleRecord &record = g_records[index];
    // Only one of two racing releases closes the socket and frees the slot.
    if (record.inUse.exchange(0) != 1)
        return;
    record.handleClass.load()->close(record);
    record.handleClass.store(nullptr);
}

HandleRecord *openRecord(int handle)
{
    const int index = handle - kFirstHandle;
    if (index < 0 || index >= g_highWater.load() || g_records[index].inUse.load() == 0) {
        errno = EBADF;
        return nullptr;
    }
    return &g_records[index];
}

int writeWithoutWaiting(int handle, const void *buffer, int length)
{
    HandleRecord *record = openRecord(handle);
    if (record == nullptr)
        return -1;
    if (length < 0) {
        errno = EINVAL;
        return -1;
    }
    if (length == 0)
        return 0;
    const net::NativeSocket socket = record->socket.load();
    if (socket == net::kInvalidSocket) {
        errno = EBADF;
        return -1;
    }
    return net::sendSomeNow(socket, buffer, length);
}

net::NativeSocket nativeSocketOf(int handle)
{
    const int saved = errno;
    HandleRecord *record = openRecord(handle);
    errno = saved;
    return record == nullptr ? net::kInvalidSocket : record->socket.load();
}

const char *handleLabel(int handle)
{
    const int index = handle - kFirstHandle;
    if (index < 0 || index >= g_highWater.load())
        return "";
    return g_records[index].label;
}

int handleHighWaterMark()
{
    return g_highWater.load();
}

} // namespace service
