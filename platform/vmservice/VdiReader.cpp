#include "VdiReader.h"

#include <QDebug>
#include <QFile>
#include <QUuid>
#include <QtEndian>

namespace {

constexpr qint64 kSignatureOffset = 0x40;
constexpr qint64 kVersionOffset = 0x44;
constexpr qint64 kHeaderSizeOffset = 0x48;
constexpr qint64 kImageUuidOffset = 0x188;
static_assert(kImageUuidOffset + 16 == VdiReader::kHeaderBytes);
constexpr quint32 kSignature = 0xbeda107f;
constexpr quint32 kMajorVersion = 1;
// The header (counted from its size field) must reach past the image UUID.
constexpr quint32 kMinHeaderSize = kImageUuidOffset + 16 - kHeaderSizeOffset;

quint32 u32At(const QByteArray &data, qint64 offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 u16At(const QByteArray &data, qint64 offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

} // namespace

namespace VdiReader {

QString imageUuid(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "cannot read disk image" << path << file.errorString();
        return {};
    }
    const QByteArray header = file.read(kHeaderBytes);
    if (!isImageHeader(header)) {
        qDebug() << "not a VDI image" << path;
        return {};
    }
    const QString uuid = uuidOfHeader(header);
    if (uuid.isEmpty())
        qDebug() << "VDI image without a UUID" << path;
    return uuid;
}

bool isImageHeader(const QByteArray &header)
{
    return header.size() >= kHeaderBytes && u32At(header, kSignatureOffset) == kSignature
           && (u32At(header, kVersionOffset) >> 16) == kMajorVersion
           && u32At(header, kHeaderSizeOffset) >= kMinHeaderSize;
}

QString uuidOfHeader(const QByteArray &header)
{
    if (!isImageHeader(header))
        return {};
    const char *raw = header.constData() + kImageUuidOffset;
    const QUuid uuid(u32At(header, kImageUuidOffset), u16At(header, kImageUuidOffset + 4),
                     u16At(header, kImageUuidOffset + 6), uchar(raw[8]), uchar(raw[9]),
                     uchar(raw[10]), uchar(raw[11]), uchar(raw[12]), uchar(raw[13]),
                     uchar(raw[14]), uchar(raw[15]));
    if (uuid.isNull())
        return {};
    return uuid.toString(QUuid::WithBraces);
}

} // namespace VdiReader
