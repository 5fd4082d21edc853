#pragma once

#include <QString>

// The folder of the file that holds this code: the VM-service library, or
// the program it is linked into. Empty when the system cannot tell.
QString libraryFolder();
