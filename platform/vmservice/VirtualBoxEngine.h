#pragma once

#include "VBoxManageOutput.h"
#include "VBoxManageRunner.h"
#include "VMService.h"

#include <QHash>

#include <mutex>
#include <optional>

// Drives VirtualBox through VBoxManage. The current machine is remembered by
// UUID, so VirtualBox never sees a machine name where it could read it as an
// option. CPU count and memory change only while the machine is off: a change
// asked for while it runs is kept and applied when it next powers off or
// before it next starts. Unregistering, starting and changing a machine that
// VirtualBox refuses because its session is locked (or being unlocked after
// a power-off) are made again for up to the runner's lockWaitMs.
class VirtualBoxEngine final : public VMService
{
public:
    explicit VirtualBoxEngine(VBoxManageRunner runner);

    bool findMachine(QString name) override;
    bool openMachine(QString path) override;
    bool removeMachine(QString name) override;
    bool hostHasVTSupport() override;
    int hostProcessorCount() override;
    int hostMemorySizeMB() override;
    void setGuestProperty(QString name, QString value) override;
    int start() override;
    bool stop() override;
    bool vboxInstalled() override;
    bool hasSharedFolder(QString name) override;
    int createSharedFolder(QString name, QString hostPath) override;
    int removeSharedFolder(QString name) override;
    QString getVersion() override;
    void setCpuAndMemory(int cpuCount, int memoryMB) override;
    QString getDiskUuid(QString path) override;

private:
    struct Machine
    {
        QString name;
        QString uuid;
    };
    struct Hardware
    {
        int cpuCount = 0;
        int memoryMB = 0;
        bool operator==(const Hardware &other) const
        {
            return cpuCount == other.cpuCount && memoryMB == other.memoryMB;
        }
    };
    struct MachineInfo
    {
        VBoxManageOutput::Failure failure = VBoxManageOutput::Failure::None;
        QString state; // VMState, e.g. "running" or "poweroff"
        QHash<QString, QString> values;
    };

    std::optional<Machine> currentMachine() const;
    void setCurrentMachine(std::optional<Machine> machine);
    // The registered machine called name: the current machine when it is
    // called name and still listed (by UUID, accessible or not), else the
    // first accessible one listed under name. When VirtualBox cannot list its
    // machines, *listFailed (if given) is set and the answer is no machine.
    std::optional<VBoxManageOutput::VmEntry> registeredMachine(const QString &name, bool *listFailed = nullptr) const;
    // Runs arguments; refusals for a locked machine are logged and the call
    // made again after a growing pause until the runner's lockWaitMs have
    // passed since the first call. The last answer.
    VBoxManageRunner::Result runUnlocked(const QStringList &arguments, int timeoutMs) const;
    // The current machine when it is called name.
    std::optional<VBoxManageOutput::VmEntry> currentMachineNamed(const QString &name) const;
    MachineInfo queryMachine(const QString &uuid) const;
    // Applies the CPU count and memory kept for the machine; false when a
    // change was kept and could not be applied (it stays kept).
    bool applyKeptHardware(const QString &uuid);
    bool modifyHardware(const QString &uuid, const Hardware &hardware);

    const VBoxManageRunner m_runner;
    mutable std::mutex m_mutex;
    std::optional<Machine> m_current;
    QHash<QString, Hardware> m_keptHardware; // by machine UUID
};
