#pragma once

// What the library's own tests and fuzz targets reach of the clipboard
// service beyond its exported interface.

#include "current_connection.h"

namespace service {

// The guest's current clipboard connection.
CurrentConnection &clipboardConnection();

// The clipboard server's readable callback (server_manager.h): reads one
// guest message from handle; 0 while the service is not started.
int clipboardReadable(int handle);

} // namespace service
