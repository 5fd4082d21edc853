#pragma once

#include <QByteArray>
#include <QString>

// The contents of a named section of an ELF file, read with every offset
// and size checked against the file, so a truncated or hostile file gives
// an empty result. Only files of this host's byte order are read.
QByteArray readElfSection(const QString &path, const QByteArray &sectionName);
