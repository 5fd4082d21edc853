#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

#include <functional>

namespace testsupport {

QString standInVBoxManage();
QString guestStandIn();
QString simTool();
QString binDir();

// Waits for condition with a bounded deadline.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000);

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// A VDI 1.1 header (and nothing more) with the given image UUID.
QByteArray vdiHeader(const QUuid &uuid);

struct DefinitionSpec
{
    QString name = QStringLiteral("tavenor");
    QUuid uuid = QUuid::createUuid();
    QStringList media; // locations; each gets its own UUID
    int cpuCount = 2;
    int memoryMB = 2048;
};
// Writes a VirtualBox machine definition into folder; returns its path.
QString writeDefinition(const QString &folder, const DefinitionSpec &spec);

// The uuid as the engines and VirtualBox definitions write it.
QString braced(const QUuid &uuid);

// A folder for the stand-in VBoxManage's machines, named to it through the
// environment (set while no other thread runs). The session of a powered-off
// machine unlocks at once unless a test asks for VirtualBox's unlock window.
class FakeVBox
{
public:
    FakeVBox();
    ~FakeVBox();

    void setUnlockWindow(double seconds);

    QString folder() const { return m_dir.path(); }
    QList<QStringList> calls() const;
    void clearCalls();
    // "" as fault clears all faults.
    void setFault(const QString &command, const QString &fault);
    QJsonObject machine(const QString &name) const;
    // Changes a machine's state behind the engine's back.
    void setMachineState(const QString &name, const QString &state);

private:
    QTemporaryDir m_dir;
};

} // namespace testsupport
