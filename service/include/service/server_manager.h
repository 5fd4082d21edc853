#pragma once

// One background thread serves every guest service: it waits on all
// listening servers and accepted connections, accepts new connections and
// hands readable ones to the service that owns the port.

#include <service/export.h>

SERVICE_C_BEGIN

// Both run on the loop thread.
// Accept: a negative result closes the new connection at once; zero or more
// watches it for reading.
// Readable: 0 or less stops watching the connection (the handle stays open,
// the service closes it); a positive result keeps it watched.
typedef int (*server_accept_callback)(int handle);
typedef int (*server_readable_callback)(int handle);

SERVICE_EXPORT void server_manager_init(void);
SERVICE_EXPORT int server_manager_add(int port, server_accept_callback onAccept,
                                      server_readable_callback onReadable);
SERVICE_EXPORT void server_manager_remove(int port);
SERVICE_EXPORT void server_manager_client_close(int handle);
SERVICE_EXPORT void server_manager_cleanup(void);

SERVICE_C_END
