// What VBoxManage prints, read by the engine's parsers. Whatever they take
// from a listing must come back the same when written in the listing's own
// form and read again.

#include "DecoderFuzzing.h"

#include <VBoxManageOutput.h>

#include <QUuid>

using namespace VBoxManageOutput;

namespace {

QByteArray quoted(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return '"' + out.toUtf8() + '"';
}

void checkVmList(const QByteArray &out)
{
    const QList<VmEntry> entries = parseVmList(out);
    QByteArray listing;
    for (const VmEntry &entry : entries) {
        fuzzing::check(entry.uuid == entry.uuid.toLower() && entry.uuid.size() == 38);
        fuzzing::check(!QUuid(entry.uuid).isNull());
        listing += '"' + entry.name.toUtf8() + "\" " + entry.uuid.toUtf8() + '\n';
    }
    const QList<VmEntry> again = parseVmList(listing);
    fuzzing::check(again.size() == entries.size());
    for (int i = 0; i < entries.size(); ++i)
        fuzzing::check(again.at(i).name == entries.at(i).name && again.at(i).uuid == entries.at(i).uuid);
}

void checkMachineReadable(const QByteArray &out)
{
    const QHash<QString, QString> info = parseMachineReadable(out);
    QByteArray listing;
    for (auto it = info.cbegin(); it != info.cend(); ++it)
        listing += quoted(it.key()) + '=' + quoted(it.value()) + '\n';
    fuzzing::check(parseMachineReadable(listing) == info);
    fuzzing::check(sharedFolderNames(info).size() <= info.size());
}

void checkVersion(const QByteArray &out)
{
    const QString version = parseVersion(out);
    if (version.isEmpty())
        return;
    fuzzing::check(version.at(0).isDigit() && !version.contains(QLatin1Char(' ')));
    fuzzing::check(parseVersion(version.toUtf8()) == version);
}

// The first byte picks how the call ended, the rest is its error output.
void checkClassify(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return;
    using Status = VBoxManageRunner::Result::Status;
    VBoxManageRunner::Result result;
    result.status = static_cast<Status>(data[0] % 5);
    result.exitCode = data[0] / 5 % 3 - 1;
    result.err = QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const Failure failure = classify(result);
    fuzzing::check((failure == Failure::None)
                   == (result.status == Status::Finished && result.exitCode == 0));
    const int reason = startReason(failure);
    fuzzing::check(reason >= 0 && reason <= 5);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray out(reinterpret_cast<const char *>(data), int(size));
    checkVmList(out);
    checkMachineReadable(out);
    checkVersion(out);
    checkClassify(data, size);
    return 0;
}
