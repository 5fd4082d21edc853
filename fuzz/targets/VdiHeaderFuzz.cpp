// The VDI header: the reader that takes an image's UUID for the machine
// definition and the writer that gives each data disk a UUID of its own.
// A header the writer accepts must read back, through the reader, as the
// UUID written, and nothing but the UUID's bytes may change.

#include "DecoderFuzzing.h"

#include <VdiReader.h>
#include <launch/DataDiskIdentity.h>

#include <QUuid>
#include <QtGlobal>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

constexpr int kUuidOffset = VdiReader::kHeaderBytes - 16;

// A UUID drawn from the input, never null: the writer only writes random
// ones.
QUuid uuidOf(const QByteArray &input)
{
    const QUuid uuid = QUuid::fromRfc4122(input.right(16).leftJustified(16, '\x5a'));
    return uuid.isNull() ? QUuid(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11) : uuid;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropMessage), true);
    (void)quiet;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const QString read = VdiReader::uuidOfHeader(input);
    fuzzing::check(read.isEmpty() || (read.size() == 38 && !QUuid(read).isNull()));
    // The writer sees what a read of the header's bytes gives.
    const QByteArray original = input.left(VdiReader::kHeaderBytes);
    QByteArray header = original;
    const QUuid uuid = uuidOf(input);
    if (!writeDiskUuid(header, uuid)) {
        fuzzing::check(header == original);
        return 0;
    }
    fuzzing::check(header.size() == original.size());
    fuzzing::check(header.left(kUuidOffset) == original.left(kUuidOffset));
    fuzzing::check(VdiReader::uuidOfHeader(header) == uuid.toString(QUuid::WithBraces));
    return 0;
}
