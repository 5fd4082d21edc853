#include "ApkInspector.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdint>
#include <optional>

namespace {

constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint32_t kCentralEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kMaxCommentSize = 0xffff;
constexpr qint64 kCentralEntrySize = 46;
constexpr qint64 kLocalHeaderSize = 30;
constexpr qint64 kMaxCentralDirectory = 16 * 1024 * 1024;
constexpr qint64 kMaxManifestRead = 1024 * 1024;
constexpr std::uint16_t kStored = 0;
const QByteArray kManifestName = QByteArrayLiteral("AndroidManifest.xml");

std::uint16_t u16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint16_t(b[0] | (b[1] << 8));
}

std::uint32_t u32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
}

std::optional<QByteArray> readAt(QIODevice &device, qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || !device.seek(offset))
        return std::nullopt;
    QByteArray bytes = device.read(size);
    if (bytes.size() != size)
        return std::nullopt;
    return bytes;
}

ApkInspection refuse(const QString &reason)
{
    return ApkInspection{false, reason, {}};
}

struct EndRecord
{
    qint64 position = 0;
    std::uint16_t disk = 0;
    std::uint16_t centralDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t entries = 0;
    std::uint32_t centralSize = 0;
    std::uint32_t centralOffset = 0;
};

// The end record is the last 22 bytes, unless a comment (up to 64 KiB)
// follows it: search backwards for the signature whose comment length fits.
std::optional<EndRecord> findEndRecord(QIODevice &device, qint64 size)
{
    const qint64 tailSize = std::min(size, kEndRecordSize + kMaxCommentSize);
    const auto tail = readAt(device, size - tailSize, tailSize);
    if (!tail)
        return std::nullopt;
    const char *data = tail->constData();
    for (qint64 i = tailSize - kEndRecordSize; i >= 0; --i) {
        if (u32(data + i) != kEndRecordSignature ||
            i + kEndRecordSize + u16(data + i + 20) > tailSize)
            continue;
        const char *r = data + i;
        return EndRecord{size - tailSize + i, u16(r + 4),  u16(r + 6), u16(r + 8),
                         u16(r + 10),         u32(r + 12), u32(r + 16)};
    }
    return std::nullopt;
}

struct ManifestEntry
{
    std::uint16_t method = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t localOffset = 0;
};

struct CentralScan
{
    QString error;
    std::optional<ManifestEntry> manifest;
};

CentralScan scanCentralDirectory(const QByteArray &directory, int entries)
{
    const qint64 size = directory.size();
    const char *data = directory.constData();
    qint64 position = 0;
    CentralScan scan;
    for (int n = 0; n < entries; ++n) {
        if (position + kCentralEntrySize > size || u32(data + position) != kCentralEntrySignature)
            return {QStringLiteral("central directory entry %1 is damaged").arg(n), {}};
        const char *entry = data + position;
        const qint64 nameSize = u16(entry + 28);
        const qint64 recordSize = kCentralEntrySize + nameSize + u16(entry + 30) + u16(entry + 32);
        if (position + recordSize > size)
            return {QStringLiteral("central directory entry %1 runs past the directory").arg(n),
                    {}};
        if (QByteArray::fromRawData(entry + kCentralEntrySize, int(nameSize)) == kManifestName)
            scan.manifest = ManifestEntry{u16(entry + 10), u32(entry + 20), u32(entry + 42)};
        position += recordSize;
    }
    if (position != size)
        return {QStringLiteral("the central directory holds more than its %1 entries").arg(entries),
                {}};
    return scan;
}

QString packageFromPlainManifest(const QByteArray &text)
{
    if (!text.trimmed().startsWith('<'))
        return {};
    static const QRegularExpression package(
        QStringLiteral("<manifest\\b[^>]*\\bpackage\\s*=\\s*\"([A-Za-z][A-Za-z0-9_]*(?:\\.[A-Za-z]["
                       "A-Za-z0-9_]*)*)\""));
    const QRegularExpressionMatch match = package.match(QString::fromUtf8(text));
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

ApkInspection inspectApk(QIODevice &device)
{
    const qint64 size = device.size();
    if (size < kEndRecordSize)
        return refuse(QStringLiteral("too short to be a zip archive"));
    const auto end = findEndRecord(device, size);
    if (!end)
        return refuse(QStringLiteral("not a zip archive (no end of central directory record)"));
    if (end->entries == 0xffff || end->centralSize == 0xffffffff ||
        end->centralOffset == 0xffffffff)
        return refuse(QStringLiteral("zip64 archives are not supported"));
    if (end->disk != 0 || end->centralDisk != 0 || end->entriesOnDisk != end->entries)
        return refuse(QStringLiteral("split zip archives are not supported"));
    if (qint64(end->centralOffset) + end->centralSize > end->position)
        return refuse(QStringLiteral("the central directory lies outside the archive"));
    if (end->centralSize > kMaxCentralDirectory)
        return refuse(QStringLiteral("the central directory is too large"));
    const auto directory = readAt(device, end->centralOffset, end->centralSize);
    if (!directory)
        return refuse(QStringLiteral("the central directory cannot be read"));
    const CentralScan scan = scanCentralDirectory(*directory, end->entries);
    if (!scan.error.isEmpty())
        return refuse(scan.error);
    if (!scan.manifest)
        return refuse(QStringLiteral("no AndroidManifest.xml in the archive"));

    const ManifestEntry &manifest = *scan.manifest;
    const auto local = readAt(device, manifest.localOffset, kLocalHeaderSize);
    if (qint64(manifest.localOffset) + kLocalHeaderSize > end->centralOffset || !local ||
        u32(local->constData()) != kLocalHeaderSignature)
        return refuse(QStringLiteral("the AndroidManifest.xml entry is damaged"));
    const qint64 dataOffset = qint64(manifest.localOffset) + kLocalHeaderSize +
                              u16(local->constData() + 26) + u16(local->constData() + 28);
    if (dataOffset + manifest.compressedSize > end->centralOffset)
        return refuse(
            QStringLiteral("the AndroidManifest.xml data runs past the archive's entries"));

    ApkInspection inspection{true, {}, {}};
    if (manifest.method == kStored && manifest.compressedSize <= kMaxManifestRead) {
        if (const auto text = readAt(device, dataOffset, manifest.compressedSize))
            inspection.packageName = packageFromPlainManifest(*text);
    }
    return inspection;
}

ApkInspection inspectApk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot be read: %1").arg(file.errorString()));
    return inspectApk(file);
}
