#pragma once

// What the library's own tests and fuzz targets reach of the input-method
// service beyond its exported interface.

namespace service {

// The input-method server's readable callback (server_manager.h): reads and
// drops what the guest sent on handle.
int inputMethodReadable(int handle);

} // namespace service
