#include <service/socket.h>

#include "handle_table.h"
#include "platform/socket_platform.h"

#include <cerrno>
#include <cstdio>

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <netinet/in.h>
#endif

using namespace service;

namespace {

const char *typeTag(int type)
{
    return type == SERVICE_SOCKET_STREAM ? "" : "udp";
}

void writeLabel(int handle, const char *kind, int type, int port)
{
    std::snprintf(recordOf(handle).label, kLabelSize, "%d(%s:%s%d)", handle, kind, typeTag(type),
                  port);
}

// The class of an open record; a record released by another thread since
// it was validated counts as closed.
const HandleClass *classOf(HandleRecord *record)
{
    if (record == nullptr)
        return nullptr;
    const HandleClass *handleClass = record->handleClass.load();
    if (handleClass == nullptr)
        errno = EBADF;
    return handleClass;
}

int openServerHandle(std::uint32_t address, const char *kind, int port, int type)
{
    init_winsock();
    const int handle = allocateHandle();
    if (handle < 0)
        return -1;
    const net::NativeSocket socket = net::openServer(address, port, type);
    if (socket == net::kInvalidSocket) {
        const int saved = errno;
        releaseHandle(handle);
        errno = saved;
        return -1;
    }
    recordOf(handle).socket.store(socket);
    writeLabel(handle, kind, type, port);
    return handle;
}

} // namespace

extern "C" {

void init_winsock(void)
{
    net::startup();
}

int socket_inaddr_any_server(int port, int type)
{
    return openServerHandle(INADDR_ANY, "any-server", port, type);
}

int socket_loopback_server(int port, int type)
{
    return openServerHandle(INADDR_LOOPBACK, "loopback-server", port, type);
}

int socket_network_client(const char *host, int port, int type)
{
    init_winsock();
    const int handle = allocateHandle();
    if (handle < 0)
        return -1;
    const net::NativeSocket socket = net::openClient(host, port, type);
    if (socket == net::kInvalidSocket) {
        const int saved = errno;
        releaseHandle(handle);
        errno = saved;
        return -1;
    }
    recordOf(handle).socket.store(socket);
    writeLabel(handle, "net-client", type, port);
    return handle;
}

int box_accept(int server, struct sockaddr *address, int *addressLength)
{
    HandleRecord *serverRecord = openRecord(server);
    if (serverRecord == nullptr)
        return -1;
    if (serverRecord->handleClass.load() != &socketHandleClass())
        return -1;
    const int handle = allocateHandle();
    if (handle < 0)
        return -1;
    const net::NativeSocket socket =
        net::acceptConnection(serverRecord->socket.load(), address, addressLength);
    if (socket == net::kInvalidSocket) {
        const int saved = errno;
        releaseHandle(handle);
        errno = saved;
        return -1;
    }
    recordOf(handle).socket.store(socket);
    return handle;
}

int box_close(int handle)
{
    if (openRecord(handle) == nullptr)
        return -1;
    releaseHandle(handle);
    return 0;
}

int box_shutdown(int handle)
{
    HandleRecord *record = openRecord(handle);
    if (record == nullptr)
        return -1;
    net::shutdownBoth(record->socket.load());
    return 0;
}

int box_read(int handle, void *buffer, int length)
{
    HandleRecord *record = openRecord(handle);
    const HandleClass *handleClass = classOf(record);
    if (handleClass == nullptr)
        return -1;
    return handleClass->read(*record, buffer, length);
}

int box_write(int handle, const void *buffer, int length)
{
    HandleRecord *record = openRecord(handle);
    const HandleClass *handleClass = classOf(record);
    if (handleClass == nullptr)
        return -1;
    return handleClass->write(*record, buffer, length);
}

void box_fd_set(fd_set *set, int handle)
{
    HandleRecord *record = openRecord(handle);
    if (record == nullptr || set == nullptr)
        return;
    net::fdSetAdd(set, record->socket.load(), 64);
}

int box_fd_isset(fd_set *set, int handle)
{
    HandleRecord *record = openRecord(handle);
    if (record == nullptr || set == nullptr)
        return 0;
    return net::fdIsSet(set, record->socket.load()) ? 1 : 0;
}

// Nothing is asked of the socket for an empty request: a zero-length
// receive would wait for data that may never come.
int read_fully(int handle, void *buffer, int length)
{
    int done = 0;
    while (done < length) {
        const int got = box_read(handle, static_cast<char *>(buffer) + done, length - done);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

int write_fully(int handle, const void *buffer, int length)
{
    int done = 0;
    while (done < length) {
        const int sent = box_write(handle, static_cast<const char *>(buffer) + done, length - done);
        if (sent <= 0)
            break;
        done += sent;
    }
    return done;
}

} // extern "C"
