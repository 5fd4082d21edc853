#include "VirtualBoxEngine.h"

#include "HostInfo.h"
#include "MachineDefinition.h"
#include "VdiReader.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

using VBoxManageOutput::Failure;

namespace {

constexpr int kFailed = 1;
// The pauses before a call refused for a locked machine is made again grow
// from the first to the longest; no call is made again once the runner's
// lockWaitMs have passed since the first.
constexpr int kFirstLockPauseMs = 100;
constexpr int kLongestLockPauseMs = 1600;

// The states in which a machine is not running, and in which its settings
// may change (a saved machine is off but its settings are locked).
bool isOff(const QString &state)
{
    static const QStringList off = {QStringLiteral("poweroff"), QStringLiteral("aborted"),
                                    QStringLiteral("saved"), QStringLiteral("teleported"),
                                    QStringLiteral("aborted-saved")};
    return off.contains(state);
}

bool isModifiable(const QString &state)
{
    return state == QLatin1String("poweroff") || state == QLatin1String("aborted");
}

} // namespace

VirtualBoxEngine::VirtualBoxEngine(VBoxManageRunner runner) : m_runner(std::move(runner)) {}

std::optional<VirtualBoxEngine::Machine> VirtualBoxEngine::currentMachine() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

void VirtualBoxEngine::setCurrentMachine(std::optional<Machine> machine)
{
    std::lock_guard lock(m_mutex);
    m_current = std::move(machine);
}

std::optional<VBoxManageOutput::VmEntry> VirtualBoxEngine::registeredMachine(const QString &name,
                                                                           bool *listFailed) const
{
    const auto result = m_runner.run({QStringLiteral("list"), QStringLiteral("vms")});
    if (!result.succeeded()) {
        qDebug() << "list vms failed" << VBoxManageOutput::errorLine(result);
        if (listFailed != nullptr)
            *listFailed = true;
        return std::nullopt;
    }
    // The machine this engine works with is known by its UUID: two machines
    // may share a name, and a name VirtualBox cannot print in the host's
    // code set does not come back as it went in.
    const auto current = currentMachineNamed(name);
    std::optional<VBoxManageOutput::VmEntry> sameName;
    for (const auto &entry : VBoxManageOutput::parseVmList(result.out)) {
        if (current && entry.uuid == current->uuid)
            return VBoxManageOutput::VmEntry{name, entry.uuid, entry.accessible};
        if (!sameName && entry.accessible && entry.name == name)
            sameName = entry;
    }
    return sameName;
}

// After a power-off VirtualBox keeps the machine's session locked until the
// VM process has gone (from well under a second to several seconds on a
// loaded host), and a showvminfo on another thread may hold it for a moment:
// a call it refuses meanwhile is made again after a growing pause.
VBoxManageRunner::Result VirtualBoxEngine::runUnlocked(const QStringList &arguments, int timeoutMs) const
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_runner.timeouts().lockWaitMs);
    int pauseMs = kFirstLockPauseMs;
    for (;;) {
        const auto result = m_runner.run(arguments, timeoutMs);
        const auto leftMs = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (VBoxManageOutput::classify(result) != Failure::Locked || leftMs <= 0)
            return result;
        pauseMs = int(std::min<qint64>(pauseMs, leftMs));
        qDebug() << arguments.first() << "refused while the machine is locked, again in" << pauseMs << "ms"
                 << VBoxManageOutput::errorLine(result);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        pauseMs = std::min(pauseMs * 2, kLongestLockPauseMs);
    }
}

VirtualBoxEngine::MachineInfo VirtualBoxEngine::queryMachine(const QString &uuid) const
{
    MachineInfo info;
    const auto result =
        m_runner.run({QStringLiteral("showvminfo"), uuid, QStringLiteral("--machinereadable")});
    info.failure = VBoxManageOutput::classify(result);
    if (info.failure != Failure::None) {
        qDebug() << "showvminfo failed" << uuid << VBoxManageOutput::errorLine(result);
        return info;
    }
    info.values = VBoxManageOutput::parseMachineReadable(result.out);
    info.state = info.values.value(QStringLiteral("VMState"));
    if (info.state.isEmpty()) {
        qDebug() << "showvminfo printed no machine state" << uuid << result.out.left(200);
        info.failure = Failure::CommunicationFailed;
    }
    return info;
}

bool VirtualBoxEngine::applyKeptHardware(const QString &uuid)
{
    Hardware kept;
    {
        std::lock_guard lock(m_mutex);
        if (!m_keptHardware.contains(uuid))
            return true;
        kept = m_keptHardware.value(uuid);
    }
    if (!modifyHardware(uuid, kept)) {
        qDebug() << "modifyvm refused, CPU and memory not applied, kept for the next start" << uuid
                 << "cpus" << kept.cpuCount << "memory" << kept.memoryMB;
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_keptHardware.value(uuid) == kept)
        m_keptHardware.remove(uuid);
    return true;
}

bool VirtualBoxEngine::modifyHardware(const QString &uuid, const Hardware &hardware)
{
    const auto result = runUnlocked({QStringLiteral("modifyvm"), uuid, QStringLiteral("--cpus"),
                                     QString::number(hardware.cpuCount), QStringLiteral("--memory"),
                                     QString::number(hardware.memoryMB)},
                                    m_runner.timeouts().callMs);
    if (!result.succeeded())
        qDebug() << "modifyvm failed" << uuid << VBoxManageOutput::errorLine(result);
    return result.succeeded();
}

std::optional<VBoxManageOutput::VmEntry> VirtualBoxEngine::currentMachineNamed(const QString &name) const
{
    const auto machine = currentMachine();
    if (!machine || machine->name != name)
        return std::nullopt;
    return VBoxManageOutput::VmEntry{machine->name, machine->uuid};
}

bool VirtualBoxEngine::findMachine(QString name)
{
    bool listFailed = false;
    const auto entry = registeredMachine(name, &listFailed);
    if (!entry) {
        // A listing that failed says nothing about the machine: the current
        // one of that name stays current, so that it can still be stopped.
        if (!listFailed || !currentMachineNamed(name))
            setCurrentMachine(std::nullopt);
        return false;
    }
    setCurrentMachine(Machine{entry->name, entry->uuid});
    return true;
}

bool VirtualBoxEngine::openMachine(QString path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QString error;
    const auto definition = MachineDefinition::read(absolute, &error);
    if (!definition) {
        qDebug() << "cannot read machine definition" << error;
        setCurrentMachine(std::nullopt);
        return false;
    }
    const auto result = m_runner.run({QStringLiteral("registervm"), QDir::toNativeSeparators(absolute)});
    if (!result.succeeded()) {
        qDebug() << "registervm failed" << absolute << VBoxManageOutput::errorLine(result);
        setCurrentMachine(std::nullopt);
        return false;
    }
    setCurrentMachine(Machine{definition->name, definition->uuid});
    return true;
}

bool VirtualBoxEngine::removeMachine(QString name)
{
    bool listFailed = false;
    auto entry = registeredMachine(name, &listFailed);
    if (!entry && listFailed)
        entry = currentMachineNamed(name);
    if (!entry) {
        qDebug() << "no registered machine named" << name;
        return false;
    }
    const auto result = runUnlocked({QStringLiteral("unregistervm"), entry->uuid}, m_runner.timeouts().callMs);
    if (!result.succeeded()) {
        qDebug() << "unregistervm failed" << name << VBoxManageOutput::errorLine(result);
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_current && m_current->uuid == entry->uuid)
        m_current.reset();
    m_keptHardware.remove(entry->uuid);
    return true;
}

bool VirtualBoxEngine::hostHasVTSupport()
{
    return HostInfo::hasVirtualizationSupport();
}

int VirtualBoxEngine::hostProcessorCount()
{
    return HostInfo::processorCount();
}

int VirtualBoxEngine::hostMemorySizeMB()
{
    return HostInfo::memorySizeMB();
}

void VirtualBoxEngine::setGuestProperty(QString name, QString value)
{
    const auto machine = currentMachine();
    if (!machine) {
        qDebug() << "no current machine, property not set" << name;
        return;
    }
    const auto result = m_runner.run(
        {QStringLiteral("guestproperty"), QStringLiteral("set"), machine->uuid, name, value});
    if (!result.succeeded())
        qDebug() << "guestproperty set failed" << name << VBoxManageOutput::errorLine(result);
}

int VirtualBoxEngine::start()
{
    if (m_runner.program().isEmpty()) {
        qDebug() << "VBoxManage not found, cannot start the machine";
        return VBoxManageOutput::startReason(Failure::NotInstalled);
    }
    const auto machine = currentMachine();
    if (!machine) {
        qDebug() << "no current machine to start";
        return VBoxManageOutput::startReason(Failure::NotFound);
    }
    const MachineInfo info = queryMachine(machine->uuid);
    if (info.failure != Failure::None)
        return VBoxManageOutput::startReason(info.failure);
    if (info.state == QLatin1String("running")) {
        qDebug() << "machine already running" << machine->name;
        return 0;
    }
    applyKeptHardware(machine->uuid);
    const auto result = runUnlocked({QStringLiteral("startvm"), machine->uuid, QStringLiteral("--type"),
                                     QStringLiteral("headless")},
                                    m_runner.timeouts().powerMs);
    const Failure failure = VBoxManageOutput::classify(result);
    if (failure != Failure::None)
        qDebug() << "startvm failed" << machine->name << VBoxManageOutput::errorLine(result);
    return VBoxManageOutput::startReason(failure);
}

bool VirtualBoxEngine::stop()
{
    const auto machine = currentMachine();
    if (!machine)
        return false;
    const MachineInfo info = queryMachine(machine->uuid);
    if (info.failure != Failure::None)
        return false;
    if (!isOff(info.state)) {
        const auto result = m_runner.run({QStringLiteral("controlvm"), machine->uuid, QStringLiteral("poweroff")},
                                         m_runner.timeouts().powerMs);
        if (!result.succeeded()) {
            qDebug() << "controlvm poweroff failed" << machine->name << VBoxManageOutput::errorLine(result);
            return false;
        }
    }
    applyKeptHardware(machine->uuid);
    return true;
}

bool VirtualBoxEngine::vboxInstalled()
{
    return !getVersion().isEmpty();
}

bool VirtualBoxEngine::hasSharedFolder(QString name)
{
    const auto machine = currentMachine();
    if (!machine)
        return false;
    const MachineInfo info = queryMachine(machine->uuid);
    return info.failure == Failure::None && VBoxManageOutput::sharedFolderNames(info.values).contains(name);
}

int VirtualBoxEngine::createSharedFolder(QString name, QString hostPath)
{
    const auto machine = currentMachine();
    if (!machine || hostPath.isEmpty()) {
        qDebug() << "cannot create shared folder" << name << hostPath;
        return kFailed;
    }
    const QString absolute = QDir::toNativeSeparators(QFileInfo(hostPath).absoluteFilePath());
    const auto result = m_runner.run({QStringLiteral("sharedfolder"), QStringLiteral("add"), machine->uuid,
                                      QStringLiteral("--name"), name, QStringLiteral("--hostpath"), absolute,
                                      QStringLiteral("--transient")});
    if (!result.succeeded()) {
        qDebug() << "sharedfolder add failed" << name << absolute << VBoxManageOutput::errorLine(result);
        return kFailed;
    }
    return 0;
}

int VirtualBoxEngine::removeSharedFolder(QString name)
{
    const auto machine = currentMachine();
    if (!machine)
        return kFailed;
    const auto result = m_runner.run({QStringLiteral("sharedfolder"), QStringLiteral("remove"), machine->uuid,
                                      QStringLiteral("--name"), name, QStringLiteral("--transient")});
    if (!result.succeeded()) {
        qDebug() << "sharedfolder remove failed" << name << VBoxManageOutput::errorLine(result);
        return kFailed;
    }
    return 0;
}

QString VirtualBoxEngine::getVersion()
{
    const auto result = m_runner.run({QStringLiteral("--version")});
    if (!result.succeeded()) {
        qDebug() << "VBoxManage --version failed" << VBoxManageOutput::errorLine(result);
        return {};
    }
    const QString version = VBoxManageOutput::parseVersion(result.out);
    if (version.isEmpty())
        qDebug() << "VBoxManage printed no version" << result.out.left(200);
    return version;
}

void VirtualBoxEngine::setCpuAndMemory(int cpuCount, int memoryMB)
{
    if (cpuCount <= 0 || memoryMB <= 0) {
        qDebug() << "invalid CPU count or memory size" << cpuCount << memoryMB;
        return;
    }
    const auto machine = currentMachine();
    if (!machine) {
        qDebug() << "no current machine, CPU and memory not set";
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_keptHardware.insert(machine->uuid, Hardware{cpuCount, memoryMB});
    }
    const MachineInfo info = queryMachine(machine->uuid);
    if (info.failure == Failure::None && isModifiable(info.state)) {
        applyKeptHardware(machine->uuid);
        return;
    }
    qDebug() << "machine not off, CPU and memory apply at the next start" << machine->name;
}

QString VirtualBoxEngine::getDiskUuid(QString path)
{
    return VdiReader::imageUuid(path);
}
