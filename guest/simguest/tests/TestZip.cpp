#include "TestZip.h"

#include <QString>

namespace testzip {

namespace {

std::uint32_t crc32(const QByteArray &data)
{
    std::uint32_t crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendU16(QByteArray &bytes, std::uint16_t value)
{
    bytes.append(char(value & 0xff)).append(char(value >> 8));
}

void appendU32(QByteArray &bytes, std::uint32_t value)
{
    appendU16(bytes, std::uint16_t(value & 0xffff));
    appendU16(bytes, std::uint16_t(value >> 16));
}

} // namespace

QByteArray make(const std::vector<Entry> &entries, const QByteArray &comment)
{
    QByteArray archive;
    QByteArray directory;
    for (const Entry &entry : entries) {
        const std::uint32_t offset = std::uint32_t(archive.size());
        const std::uint32_t crc = crc32(entry.data);
        const auto size = std::uint32_t(entry.data.size());
        const auto nameSize = std::uint16_t(entry.name.size());
        appendU32(archive, 0x04034b50);
        appendU16(archive, 20);   // version needed
        appendU16(archive, 0);    // flags
        appendU16(archive, 0);    // stored
        appendU16(archive, 0);    // time
        appendU16(archive, 0x21); // date
        appendU32(archive, crc);
        appendU32(archive, size);
        appendU32(archive, size);
        appendU16(archive, nameSize);
        appendU16(archive, 0);
        archive.append(entry.name.data(), int(entry.name.size()));
        archive.append(entry.data);

        appendU32(directory, 0x02014b50);
        appendU16(directory, 0x031e); // made by: Unix, 3.0
        appendU16(directory, 20);
        appendU16(directory, 0);
        appendU16(directory, 0);
        appendU16(directory, 0);
        appendU16(directory, 0x21);
        appendU32(directory, crc);
        appendU32(directory, size);
        appendU32(directory, size);
        appendU16(directory, nameSize);
        appendU16(directory, 0);          // extra
        appendU16(directory, 0);          // comment
        appendU16(directory, 0);          // disk
        appendU16(directory, 0);          // internal attributes
        appendU32(directory, 0x81a40000); // external attributes: -rw-r--r--
        appendU32(directory, offset);
        directory.append(entry.name.data(), int(entry.name.size()));
    }
    const auto directoryOffset = std::uint32_t(archive.size());
    archive.append(directory);
    appendU32(archive, 0x06054b50);
    appendU16(archive, 0);
    appendU16(archive, 0);
    appendU16(archive, std::uint16_t(entries.size()));
    appendU16(archive, std::uint16_t(entries.size()));
    appendU32(archive, std::uint32_t(directory.size()));
    appendU32(archive, directoryOffset);
    appendU16(archive, std::uint16_t(comment.size()));
    archive.append(comment);
    return archive;
}

int endRecordOffset(const QByteArray &zip)
{
    return zip.size() - 22;
}

void putU16(QByteArray &bytes, int offset, std::uint16_t value)
{
    bytes[offset] = char(value & 0xff);
    bytes[offset + 1] = char(value >> 8);
}

void putU32(QByteArray &bytes, int offset, std::uint32_t value)
{
    putU16(bytes, offset, std::uint16_t(value & 0xffff));
    putU16(bytes, offset + 2, std::uint16_t(value >> 16));
}

std::uint32_t getU32(const QByteArray &bytes, int offset)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData() + offset);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
}

QByteArray manifest(const QString &package)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<manifest xmlns:android=\"http://schemas.android.com/apk/res/android\"\n"
                          "    package=\"%1\" android:versionCode=\"1\">\n"
                          "  <application android:label=\"Test\"/>\n"
                          "</manifest>\n")
        .arg(package)
        .toUtf8();
}

} // namespace testzip
