#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

// VirtualBox registers each disk image under the UUID in its header and
// refuses a second image with a UUID it already knows. Every instance's data
// disk starts as a byte copy of the one blank disk, so each copy is given a
// UUID of its own before it is first used.
//
// Writes a new random image UUID into the VDI 1.x header of the image at
// path; the rest of the file is left as it is. False (and a log line) when
// the file is not such an image or cannot be written.
bool giveFreshDiskUuid(const QString &path);

// The header part of the above: writes uuid into header (the image's first
// bytes, up to and with the image UUID). False, header untouched, when it is
// not a VDI 1.x image's header.
bool writeDiskUuid(QByteArray &header, const QUuid &uuid);
