#include "launch/DataDiskIdentity.h"

#include <QDebug>
#include <QFile>
#include <QUuid>
#include <QtEndian>

namespace {

constexpr qint64 kSignatureOffset = 0x40;
constexpr qint64 kVersionOffset = 0x44;
constexpr qint64 kHeaderSizeOffset = 0x48;
constexpr qint64 kImageUuidOffset = 0x188;
constexpr qint64 kUuidSize = 16;
constexpr quint32 kSignature = 0xbeda107f;
constexpr quint32 kMajorVersion = 1;
// The header, counted from its size field, must reach past the image UUID.
constexpr quint32 kMinHeaderSize = kImageUuidOffset + kUuidSize - kHeaderSizeOffset;

// The same test as the reader's (VdiReader): a header too short to hold the
// image UUID would be given one that no reader then takes.
bool isVdiHeader(const QByteArray &header)
{
    return header.size() == kImageUuidOffset + kUuidSize
           && qFromLittleEndian<quint32>(header.constData() + kSignatureOffset) == kSignature
           && (qFromLittleEndian<quint32>(header.constData() + kVersionOffset) >> 16) == kMajorVersion
           && qFromLittleEndian<quint32>(header.constData() + kHeaderSizeOffset) >= kMinHeaderSize;
}

// The header keeps a UUID's first three fields little-endian, the last eight
// bytes as they are.
QByteArray headerBytes(const QUuid &uuid)
{
    QByteArray bytes(kUuidSize, '\0');
    char *raw = bytes.data();
    qToLittleEndian<quint32>(uuid.data1, raw);
    qToLittleEndian<quint16>(uuid.data2, raw + 4);
    qToLittleEndian<quint16>(uuid.data3, raw + 6);
    for (int i = 0; i < 8; ++i)
        raw[8 + i] = static_cast<char>(uuid.data4[i]);
    return bytes;
}

} // namespace

bool giveFreshDiskUuid(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        qDebug() << "cannot open data disk to give it a UUID" << path << file.errorString();
        return false;
    }
    QByteArray header = file.read(kImageUuidOffset + kUuidSize);
    if (!writeDiskUuid(header, QUuid::createUuid())) {
        qDebug() << "data disk is not a VDI image, UUID left as it is" << path;
        return false;
    }
    const QByteArray uuid = header.mid(kImageUuidOffset, kUuidSize);
    if (!file.seek(kImageUuidOffset) || file.write(uuid) != kUuidSize || !file.flush()) {
        qDebug() << "cannot write the data disk's UUID" << path << file.errorString();
        return false;
    }
    return true;
}

bool writeDiskUuid(QByteArray &header, const QUuid &uuid)
{
    if (!isVdiHeader(header))
        return false;
    header.replace(kImageUuidOffset, kUuidSize, headerBytes(uuid));
    return true;
}
