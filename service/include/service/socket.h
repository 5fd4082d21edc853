#pragma once

// Socket handles: every socket of the library is named by a small integer
// (100 upwards) that indexes a fixed table of 128 records, in the manner of
// a file descriptor. Results: a handle or a count for success, -1 for
// failure with errno set (EBADF for a handle that is not open).

#include <service/export.h>

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <sys/select.h>
#include <sys/socket.h>
#endif

SERVICE_C_BEGIN

// Socket types of the constructors.
enum { SERVICE_SOCKET_STREAM = 1, SERVICE_SOCKET_DATAGRAM = 2 };

SERVICE_EXPORT void init_winsock(void);

// A server on every interface (backlog 4 for a stream server).
SERVICE_EXPORT int socket_inaddr_any_server(int port, int type);
// A server on 127.0.0.1 only: what the guest services listen on, since the
// virtual machine's NAT reaches the host's loopback and nothing else should.
SERVICE_EXPORT int socket_loopback_server(int port, int type);
SERVICE_EXPORT int socket_network_client(const char *host, int port, int type);

SERVICE_EXPORT int box_accept(int server, struct sockaddr *address, int *addressLength);
SERVICE_EXPORT int box_close(int handle);
SERVICE_EXPORT int box_shutdown(int handle);
SERVICE_EXPORT int box_read(int handle, void *buffer, int length);
SERVICE_EXPORT int box_write(int handle, const void *buffer, int length);

// fd_set helpers with the Winsock rule: an entry is added once, and a set
// never holds more than 64 sockets.
SERVICE_EXPORT void box_fd_set(fd_set *set, int handle);
SERVICE_EXPORT int box_fd_isset(fd_set *set, int handle);

// Loop until length bytes are done or a call gives 0 or less; the result
// is the total done (less than length after an end of stream or an error).
SERVICE_EXPORT int read_fully(int handle, void *buffer, int length);
SERVICE_EXPORT int write_fully(int handle, const void *buffer, int length);

SERVICE_C_END
