// The simulated engine's machine registry (registry.json), shared by every
// player of the user: what it gives must be written back and read again
// unchanged.

#include "DecoderFuzzing.h"

#include <SimRegistry.h>

#include <QtGlobal>

#include <limits>

#include <sys/types.h>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

bool same(const SimRegistry::Record &a, const SimRegistry::Record &b)
{
    return a.name == b.name && a.uuid == b.uuid && a.definition == b.definition
           && a.stateFolder == b.stateFolder && a.pid == b.pid && a.pidStartTime == b.pidStartTime
           && a.keptCpuCount == b.keptCpuCount && a.keptMemoryMB == b.keptMemoryMB;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(dropMessage), true);
    (void)quiet;
    const QList<SimRegistry::Record> records =
        SimRegistry::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const QList<SimRegistry::Record> again = SimRegistry::parse(SimRegistry::format(records));
    fuzzing::check(again.size() == records.size());
    for (int i = 0; i < records.size(); ++i) {
        const SimRegistry::Record &record = records.at(i);
        fuzzing::check(!record.name.isEmpty() && !record.uuid.isEmpty() && !record.stateFolder.isEmpty());
        // No process group, nothing that wraps round to another process.
        fuzzing::check(record.pid >= 0 && record.pid <= std::numeric_limits<pid_t>::max());
        fuzzing::check(same(record, again.at(i)));
    }
    return 0;
}
