#include "MachineDefinition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QRegularExpression>
#include <QStringList>
#include <QUuid>
#include <QXmlStreamReader>

namespace {

const QString kCountAttribute = QStringLiteral("count");
const QString kRamSizeAttribute = QStringLiteral("RAMSize");

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString parseError(const QString &path, const QXmlStreamReader &reader, const QString &what)
{
    return QStringLiteral("%1 (line %2): %3").arg(path).arg(reader.lineNumber()).arg(what);
}

bool parentIs(const QStringList &stack, const char *name)
{
    return stack.size() >= 2 && stack.at(stack.size() - 2) == QLatin1String(name);
}

bool readPositiveInt(const QXmlStreamAttributes &attributes, const QString &name, int *value)
{
    if (!attributes.hasAttribute(name))
        return true;
    bool ok = false;
    const int parsed = attributes.value(name).toInt(&ok);
    if (!ok || parsed <= 0)
        return false;
    *value = parsed;
    return true;
}

// The element path that leads to the machine's hardware settings.
bool isHardwareChild(const QStringList &stack, const char *name)
{
    return stack.last() == QLatin1String(name) && parentIs(stack, "Hardware");
}

} // namespace

std::optional<MachineDefinition> MachineDefinition::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    MachineDefinition definition;
    definition.path = QFileInfo(path).absoluteFilePath();
    const QDir folder = QFileInfo(path).absoluteDir();
    bool sawMachine = false;
    QStringList stack;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            stack.removeLast();
            continue;
        }
        if (!reader.isStartElement())
            continue;
        stack.append(reader.name().toString());
        const QXmlStreamAttributes attributes = reader.attributes();
        if (stack.size() == 1 && stack.last() != QLatin1String("VirtualBox")) {
            reader.raiseError(QStringLiteral("not a VirtualBox settings file"));
        } else if (stack.last() == QLatin1String("Machine") && parentIs(stack, "VirtualBox")) {
            sawMachine = true;
            definition.name = attributes.value(QLatin1String("name")).toString();
            const QUuid uuid(attributes.value(QLatin1String("uuid")).toString());
            if (definition.name.isEmpty() || uuid.isNull())
                reader.raiseError(QStringLiteral("the machine has no name or no valid UUID"));
            definition.uuid = uuid.toString(QUuid::WithBraces);
        } else if (stack.last() == QLatin1String("HardDisk") && stack.contains(QLatin1String("MediaRegistry"))) {
            const QString location = attributes.value(QLatin1String("location")).toString();
            if (location.isEmpty())
                reader.raiseError(QStringLiteral("a hard disk without a location"));
            definition.media.append({attributes.value(QLatin1String("uuid")).toString(),
                                     QDir::cleanPath(folder.absoluteFilePath(location))});
        } else if (isHardwareChild(stack, "CPU")) {
            if (!readPositiveInt(attributes, kCountAttribute, &definition.cpuCount))
                reader.raiseError(QStringLiteral("a CPU count that is not a positive number"));
        } else if (isHardwareChild(stack, "Memory")) {
            if (!readPositiveInt(attributes, kRamSizeAttribute, &definition.memoryMB))
                reader.raiseError(QStringLiteral("a memory size that is not a positive number"));
        }
    }
    if (reader.hasError()) {
        setError(error, parseError(path, reader, reader.errorString()));
        return std::nullopt;
    }
    if (!sawMachine) {
        setError(error, QStringLiteral("%1: no machine in the file").arg(path));
        return std::nullopt;
    }
    return definition;
}

namespace {

struct Edit
{
    int start;
    int end;
    QString replacement;
};

// The start tag that the reader has just read, as it stands in text.
int tagStart(const QString &text, const QXmlStreamReader &reader)
{
    return text.lastIndexOf(QLatin1Char('<'), int(reader.characterOffset()) - 1);
}

// The tag with the attribute set to value, added when the tag lacks it.
QString withAttribute(QString tag, const QString &attribute, int value)
{
    const QString assignment = attribute + QStringLiteral("=\"%1\"").arg(value);
    const QRegularExpression existing(QStringLiteral("(\\s)%1\\s*=\\s*(\"[^\"]*\"|'[^']*')")
                                          .arg(QRegularExpression::escape(attribute)));
    const QRegularExpressionMatch match = existing.match(tag);
    if (match.hasMatch())
        return tag.replace(match.capturedStart(), match.capturedLength(), match.captured(1) + assignment);
    const int close = tag.endsWith(QLatin1String("/>")) ? tag.size() - 2 : tag.size() - 1;
    return tag.insert(close, QLatin1Char(' ') + assignment);
}

} // namespace

bool MachineDefinition::writeCpuAndMemory(const QString &path, int cpuCount, int memoryMB,
                                          QString *error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(path, in.errorString()));
        return false;
    }
    // Edited in place, so that everything else stays exactly as written.
    QString text = QString::fromUtf8(in.readAll());
    in.close();
    QXmlStreamReader reader(text);
    QList<Edit> edits;
    QStringList stack;
    bool sawCpu = false;
    bool sawMemory = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            stack.append(reader.name().toString());
            const bool cpu = isHardwareChild(stack, "CPU");
            if (cpu || isHardwareChild(stack, "Memory")) {
                const int start = tagStart(text, reader);
                const QString tag = text.mid(start, int(reader.characterOffset()) - start);
                edits.append({start, int(reader.characterOffset()),
                              cpu ? withAttribute(tag, kCountAttribute, cpuCount)
                                  : withAttribute(tag, kRamSizeAttribute, memoryMB)});
                (cpu ? sawCpu : sawMemory) = true;
            }
        } else if (reader.isEndElement()) {
            if (stack.last() == QLatin1String("Hardware") && !(sawCpu && sawMemory)) {
                QString added;
                if (!sawCpu)
                    added += QStringLiteral("<CPU %1=\"%2\"/>").arg(kCountAttribute).arg(cpuCount);
                if (!sawMemory)
                    added += QStringLiteral("<Memory %1=\"%2\"/>").arg(kRamSizeAttribute).arg(memoryMB);
                const int start = tagStart(text, reader);
                const int end = int(reader.characterOffset());
                if (text.midRef(start, 2) == QLatin1String("</")) {
                    edits.append({start, start, added});
                } else { // <Hardware/>
                    const QString name = reader.qualifiedName().toString();
                    edits.append({end - 2, end, QStringLiteral(">%1</%2>").arg(added, name)});
                }
                sawCpu = sawMemory = true;
            }
            stack.removeLast();
        }
    }
    if (reader.hasError()) {
        setError(error, parseError(path, reader, reader.errorString()));
        return false;
    }
    for (auto edit = edits.crbegin(); edit != edits.crend(); ++edit)
        text.replace(edit->start, edit->end - edit->start, edit->replacement);
    const QByteArray output = text.toUtf8();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(output) != output.size() || !out.commit()) {
        setError(error, QStringLiteral("%1: %2").arg(path, out.errorString()));
        return false;
    }
    return true;
}
