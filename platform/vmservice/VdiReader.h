#pragma once

#include <QByteArray>
#include <QString>

namespace VdiReader {

// The image UUID of the VDI file at path, written as a VirtualBox machine
// definition writes it: lowercase, in braces. Empty (and a log line) when
// the file cannot be read or is not a VDI 1.x image.
QString imageUuid(const QString &path);

// The bytes imageUuid reads: the start of the file up to the image UUID.
inline constexpr int kHeaderBytes = 0x188 + 16;

// Whether header (the file's first bytes) starts a VDI 1.x image whose
// header holds the image UUID.
bool isImageHeader(const QByteArray &header);

// The image UUID of such a header, as imageUuid gives it; empty when header
// is not one or its UUID is null.
QString uuidOfHeader(const QByteArray &header);

} // namespace VdiReader
