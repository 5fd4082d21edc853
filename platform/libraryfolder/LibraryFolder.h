#pragma once

#include <QString>

// The folder of the file that holds this code: the library that links it,
// or the program it is linked into. Empty when the system cannot tell.
QString libraryFolder();
