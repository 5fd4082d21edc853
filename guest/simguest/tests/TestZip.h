#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

// Small zip archives for the tests: stored (uncompressed) entries laid out as
// any zip tool writes them, and byte patches to damage them.
namespace testzip {

struct Entry
{
    std::string name;
    QByteArray data;
};

QByteArray make(const std::vector<Entry> &entries, const QByteArray &comment = {});

// Offset of the end of central directory record (the archive has no comment).
int endRecordOffset(const QByteArray &zip);

void putU16(QByteArray &bytes, int offset, std::uint16_t value);
void putU32(QByteArray &bytes, int offset, std::uint32_t value);
std::uint32_t getU32(const QByteArray &bytes, int offset);

// A plain-text manifest naming the package.
QByteArray manifest(const QString &package);

} // namespace testzip
