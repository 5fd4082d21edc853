#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <QtEndian>

#include <cstring>

#include <gtest/gtest.h>

namespace testsupport {

QString standInVBoxManage()
{
    return QStringLiteral(VMSERVICE_STANDIN_VBOXMANAGE);
}

QString guestStandIn()
{
    return QStringLiteral(VMSERVICE_GUEST_STANDIN);
}

QString simTool()
{
    return QStringLiteral(VMSERVICE_SIM_TOOL);
}

QString binDir()
{
    return qEnvironmentVariable("TAVENOR_BIN_DIR");
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray vdiHeader(const QUuid &uuid)
{
    char raw[0x200] = {};
    const char banner[] = "<<< Oracle VM VirtualBox Disk Image >>>\n";
    memcpy(raw, banner, sizeof banner - 1);
    qToLittleEndian<quint32>(0xbeda107f, raw + 0x40);
    qToLittleEndian<quint32>(0x00010001, raw + 0x44);
    qToLittleEndian<quint32>(0x180, raw + 0x48);
    qToLittleEndian<quint32>(1, raw + 0x4c);
    qToLittleEndian<quint32>(uuid.data1, raw + 0x188);
    qToLittleEndian<quint16>(uuid.data2, raw + 0x18c);
    qToLittleEndian<quint16>(uuid.data3, raw + 0x18e);
    memcpy(raw + 0x190, uuid.data4, sizeof uuid.data4);
    return QByteArray(raw, sizeof raw);
}

QString braced(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithBraces);
}

QString writeDefinition(const QString &folder, const DefinitionSpec &spec)
{
    QString disks;
    for (const QString &location : spec.media) {
        QString escaped = location.toHtmlEscaped();
        disks += QStringLiteral("        <HardDisk uuid=\"%1\" location=\"%2\" format=\"VDI\" type=\"Normal\"/>\n")
                     .arg(braced(QUuid::createUuid()), escaped);
    }
    const QString text =
        QStringLiteral("<?xml version=\"1.0\"?>\n"
                       "<!-- a test machine -->\n"
                       "<VirtualBox xmlns=\"http://www.virtualbox.org/\" version=\"1.16-linux\">\n"
                       "  <Machine uuid=\"%1\" name=\"%2\" OSType=\"Linux26\">\n"
                       "    <MediaRegistry>\n      <HardDisks>\n%3      </HardDisks>\n    </MediaRegistry>\n"
                       "    <Hardware>\n      <CPU count=\"%4\">\n        <PAE enabled=\"true\"/>\n      </CPU>\n"
                       "      <Memory RAMSize=\"%5\"/>\n    </Hardware>\n"
                       "  </Machine>\n</VirtualBox>\n")
            .arg(braced(spec.uuid), spec.name.toHtmlEscaped(), disks)
            .arg(spec.cpuCount)
            .arg(spec.memoryMB);
    const QString path = QDir(folder).filePath(QString(spec.name).replace(QLatin1Char('/'), QLatin1Char('_'))
                                               + QStringLiteral(".vbox"));
    writeFile(path, text.toUtf8());
    return path;
}

FakeVBox::FakeVBox()
{
    qputenv("TAVENOR_FAKE_VBOX_DIR", QFile::encodeName(m_dir.path()));
    setUnlockWindow(0);
}

FakeVBox::~FakeVBox()
{
    qunsetenv("TAVENOR_FAKE_VBOX_DIR");
    qunsetenv("TAVENOR_FAKE_VBOX_UNLOCK_SECONDS");
}

void FakeVBox::setUnlockWindow(double seconds)
{
    qputenv("TAVENOR_FAKE_VBOX_UNLOCK_SECONDS", QByteArray::number(seconds));
}

QList<QStringList> FakeVBox::calls() const
{
    QList<QStringList> calls;
    const QByteArray log = readFile(QDir(folder()).filePath(QStringLiteral("calls.log")));
    for (const QByteArray &line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        QStringList call;
        for (const QJsonValue &argument : QJsonDocument::fromJson(line).array())
            call.append(argument.toString());
        calls.append(call);
    }
    return calls;
}

void FakeVBox::clearCalls()
{
    QFile::remove(QDir(folder()).filePath(QStringLiteral("calls.log")));
}

void FakeVBox::setFault(const QString &command, const QString &fault)
{
    const QString path = QDir(folder()).filePath(QStringLiteral("faults"));
    if (fault.isEmpty()) {
        QFile::remove(path);
        return;
    }
    writeFile(path, (command + QLatin1Char(' ') + fault + QLatin1Char('\n')).toUtf8());
}

QJsonObject FakeVBox::machine(const QString &name) const
{
    const QJsonDocument state =
        QJsonDocument::fromJson(readFile(QDir(folder()).filePath(QStringLiteral("state.json"))));
    for (const QJsonValue &machine : state.object().value(QStringLiteral("machines")).toArray()) {
        if (machine.toObject().value(QStringLiteral("name")).toString() == name)
            return machine.toObject();
    }
    return {};
}

void FakeVBox::setMachineState(const QString &name, const QString &state)
{
    const QString path = QDir(folder()).filePath(QStringLiteral("state.json"));
    QJsonObject root = QJsonDocument::fromJson(readFile(path)).object();
    QJsonArray machines = root.value(QStringLiteral("machines")).toArray();
    for (int i = 0; i < machines.size(); ++i) {
        QJsonObject machine = machines.at(i).toObject();
        if (machine.value(QStringLiteral("name")).toString() == name) {
            machine.insert(QStringLiteral("state"), state);
            machines.replace(i, machine);
        }
    }
    root.insert(QStringLiteral("machines"), machines);
    writeFile(path, QJsonDocument(root).toJson());
}

} // namespace testsupport
