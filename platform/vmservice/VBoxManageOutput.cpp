#include "VBoxManageOutput.h"

#include "VBoxManageCodeSet.h"

#include <QRegularExpression>
#include <QUuid>

namespace VBoxManageOutput {

namespace {

const QString kInaccessible = QStringLiteral("<inaccessible>");

QStringList lines(const QByteArray &out)
{
    QStringList result;
    for (QString line : VBoxManageCodeSet::decode(out).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        result.append(line);
    }
    return result;
}

// Reads a quoted text starting at position (the opening quote); returns the
// position after the closing quote, or -1 when it is not closed.
int readQuoted(const QString &line, int position, QString *text)
{
    text->clear();
    for (int i = position + 1; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"'))
            return i + 1;
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            const QChar next = line.at(++i);
            if (next == QLatin1Char('n'))
                text->append(QLatin1Char('\n'));
            else if (next == QLatin1Char('r'))
                text->append(QLatin1Char('\r'));
            else if (next == QLatin1Char('t'))
                text->append(QLatin1Char('\t'));
            else
                text->append(next);
            continue;
        }
        text->append(c);
    }
    return -1;
}

bool parseMachineReadableLine(const QString &line, QString *key, QString *value)
{
    int position = 0;
    if (line.startsWith(QLatin1Char('"'))) {
        position = readQuoted(line, 0, key);
        if (position < 0 || position >= line.size() || line.at(position) != QLatin1Char('='))
            return false;
    } else {
        position = line.indexOf(QLatin1Char('='));
        if (position <= 0)
            return false;
        *key = line.left(position);
        static const QRegularExpression bareKey(QStringLiteral("^[A-Za-z0-9_./:-]+$"));
        if (!bareKey.match(*key).hasMatch())
            return false;
    }
    ++position; // the '='
    if (position < line.size() && line.at(position) == QLatin1Char('"'))
        return readQuoted(line, position, value) == line.size();
    *value = line.mid(position);
    return !value->contains(QLatin1Char(' '));
}

} // namespace

QList<VmEntry> parseVmList(const QByteArray &out)
{
    QList<VmEntry> entries;
    for (const QString &line : lines(out)) {
        const int split = line.lastIndexOf(QLatin1String("\" {"));
        if (!line.startsWith(QLatin1Char('"')) || split < 1 || !line.endsWith(QLatin1Char('}')))
            continue;
        const QUuid uuid(line.mid(split + 2));
        if (uuid.isNull())
            continue;
        const QString name = line.mid(1, split - 1);
        const bool accessible = name != kInaccessible;
        entries.append({accessible ? name : QString(), uuid.toString(QUuid::WithBraces), accessible});
    }
    return entries;
}

QHash<QString, QString> parseMachineReadable(const QByteArray &out)
{
    QHash<QString, QString> info;
    for (const QString &line : lines(out)) {
        QString key;
        QString value;
        if (parseMachineReadableLine(line, &key, &value))
            info.insert(key, value);
    }
    return info;
}

QStringList sharedFolderNames(const QHash<QString, QString> &info)
{
    static const QRegularExpression nameKey(
        QStringLiteral("^SharedFolderName(Machine|Transient|Global)Mapping\\d+$"));
    QStringList names;
    for (auto it = info.cbegin(); it != info.cend(); ++it) {
        if (nameKey.match(it.key()).hasMatch())
            names.append(it.value());
    }
    return names;
}

QString parseVersion(const QByteArray &out)
{
    static const QRegularExpression version(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\S*$"));
    for (const QString &line : lines(out)) {
        if (version.match(line.trimmed()).hasMatch())
            return line.trimmed();
    }
    return {};
}

Failure classify(const VBoxManageRunner::Result &result)
{
    using Status = VBoxManageRunner::Result::Status;
    switch (result.status) {
    case Status::NotFound:
    case Status::FailedToStart:
        return Failure::NotInstalled;
    case Status::TimedOut:
    case Status::Crashed:
        return Failure::CommunicationFailed;
    case Status::Finished:
        break;
    }
    if (result.exitCode == 0)
        return Failure::None;
    const QByteArray &err = result.err;
    if (err.contains("VBOX_E_OBJECT_NOT_FOUND") || err.contains("Could not find a registered machine"))
        return Failure::NotFound;
    if (err.contains("VBOX_E_INVALID_OBJECT_STATE")
        && (err.contains("is already locked") || err.contains("while it is locked")))
        return Failure::Locked;
    if (err.contains("Failed to create the VirtualBox object")
        || err.contains("Failed to initialize COM"))
        return Failure::EngineNotInitialised;
    for (const char *code : {"RPC_S_SERVER_UNAVAILABLE", "RPC_E_DISCONNECTED", "RPC_S_CALL_FAILED",
                             "NS_ERROR_CALL_FAILED", "NS_ERROR_SOCKET_FAIL"}) {
        if (err.contains(code))
            return Failure::CommunicationFailed;
    }
    return Failure::Failed;
}

QString errorLine(const VBoxManageRunner::Result &result)
{
    const QStringList errorLines = lines(result.err);
    for (const QString &line : errorLines) {
        if (line.contains(QLatin1String("error:")))
            return line.trimmed();
    }
    return errorLines.join(QLatin1Char('\n')).trimmed().left(200);
}

int startReason(Failure failure)
{
    switch (failure) {
    case Failure::None:
        return 0;
    case Failure::EngineNotInitialised:
        return 1;
    case Failure::CommunicationFailed:
        return 2;
    case Failure::NotFound:
        return 3;
    case Failure::Locked:
    case Failure::Failed:
        return 4;
    case Failure::NotInstalled:
        return 5;
    }
    return 4;
}

} // namespace VBoxManageOutput
