#pragma once

#include <QString>

namespace VdiReader {

// The image UUID of the VDI file at path, written as a VirtualBox machine
// definition writes it: lowercase, in braces. Empty (and a log line) when
// the file cannot be read or is not a VDI 1.x image.
QString imageUuid(const QString &path);

} // namespace VdiReader
