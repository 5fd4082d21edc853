#include "SimulatorEngine.h"

#include "GuestProcess.h"
#include "HostInfo.h"
#include "LibraryFolder.h"
#include "MachineDefinition.h"
#include "SimStateFolder.h"
#include "VdiReader.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace {

constexpr int kFailed = 1;
constexpr int kEngineNotInitialised = 1;
constexpr int kCommunicationFailed = 2;
constexpr int kMachineNotFound = 3;
constexpr int kMachineStartFailed = 4;
constexpr int kLocationNotFound = 5;

const QString kGuestProgramName = QStringLiteral("tavenor-guest");

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

QString guestProgramBeside()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath());
    folders.append(libraryFolder());
    for (const QString &folder : qAsConst(folders)) {
        const QString candidate = QDir(folder).filePath(kGuestProgramName);
        if (isExecutableFile(candidate))
            return candidate;
    }
    // None yet: name the first place looked at, for the log.
    return folders.first().isEmpty() ? QString() : QDir(folders.first()).filePath(kGuestProgramName);
}

bool isRunning(const SimRegistry::Record &record)
{
    return GuestProcess::isRunning({record.pid, record.pidStartTime});
}

} // namespace

SimulatorEngine::Config SimulatorEngine::Config::fromEnvironment()
{
    Config config;
    config.registryFolder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                                .filePath(QStringLiteral("tavenor-sim"));
    config.guestProgram = qEnvironmentVariable("TAVENOR_GUEST_PROGRAM");
    if (config.guestProgram.isEmpty())
        config.guestProgram = guestProgramBeside();
    return config;
}

SimulatorEngine::SimulatorEngine(Config config) : m_config(std::move(config)) {}

std::optional<SimRegistry::Record> SimulatorEngine::currentRecord(const SimRegistry::Transaction &registry) const
{
    if (!m_currentUuid) {
        qDebug() << "no current simulated machine";
        return std::nullopt;
    }
    auto record = registry.byUuid(*m_currentUuid);
    if (!record)
        qDebug() << "simulated machine no longer registered" << *m_currentUuid;
    return record;
}

bool SimulatorEngine::guestProgramFound() const
{
    return isExecutableFile(m_config.guestProgram);
}

void SimulatorEngine::applyKeptHardware(SimRegistry::Record &record) const
{
    if (record.keptCpuCount <= 0 || record.keptMemoryMB <= 0)
        return;
    QString error;
    if (!MachineDefinition::writeCpuAndMemory(record.definition, record.keptCpuCount, record.keptMemoryMB, &error)) {
        qDebug() << "cannot write CPU and memory into the definition" << error;
        return;
    }
    SimStateFolder(record.stateFolder).writeHardware(record.keptCpuCount, record.keptMemoryMB);
    record.keptCpuCount = 0;
    record.keptMemoryMB = 0;
}

bool SimulatorEngine::findMachine(QString name)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    // A registry that cannot be read says nothing about the machine: the
    // current one stays current, so that it can still be stopped.
    if (!registry.ok())
        return false;
    m_currentUuid.reset();
    const auto record = registry.byName(name);
    if (!record)
        return false;
    m_currentUuid = record->uuid;
    return true;
}

bool SimulatorEngine::openMachine(QString path)
{
    std::lock_guard lock(m_mutex);
    m_currentUuid.reset();
    QString error;
    const auto definition = MachineDefinition::read(path, &error);
    if (!definition) {
        qDebug() << "cannot read machine definition" << error;
        return false;
    }
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return false;
    if (registry.byName(definition->name) || registry.byUuid(definition->uuid)) {
        qDebug() << "a machine with this name or UUID is already registered" << definition->name
                 << definition->uuid;
        return false;
    }
    SimRegistry::Record record;
    record.name = definition->name;
    record.uuid = definition->uuid;
    record.definition = definition->path;
    record.stateFolder = SimStateFolder::pathFor(definition->path, definition->name);
    const SimStateFolder state(record.stateFolder);
    if (!state.create() || !state.writeHardware(definition->cpuCount, definition->memoryMB)
        || !state.write(simstate::kSharesFile, {}))
        return false;
    if (!QFileInfo::exists(state.filePath(simstate::kPropertiesFile)) && !state.write(simstate::kPropertiesFile, {}))
        return false;
    registry.put(record);
    if (!registry.commit())
        return false;
    m_currentUuid = record.uuid;
    return true;
}

bool SimulatorEngine::removeMachine(QString name)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return false;
    const auto record = registry.byName(name);
    if (!record) {
        qDebug() << "no registered machine named" << name;
        return false;
    }
    if (isRunning(*record)) {
        qDebug() << "cannot unregister a running machine" << name;
        return false;
    }
    registry.remove(record->uuid);
    if (!registry.commit())
        return false;
    if (m_currentUuid == record->uuid)
        m_currentUuid.reset();
    return true;
}

bool SimulatorEngine::hostHasVTSupport()
{
    return HostInfo::hasVirtualizationSupport();
}

int SimulatorEngine::hostProcessorCount()
{
    return HostInfo::processorCount();
}

int SimulatorEngine::hostMemorySizeMB()
{
    return HostInfo::memorySizeMB();
}

void SimulatorEngine::setGuestProperty(QString name, QString value)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return;
    const auto record = currentRecord(registry);
    if (!record)
        return;
    if (name.isEmpty()) {
        qDebug() << "guest property without a name not set";
        return;
    }
    SimStateFolder(record->stateFolder).setEntry(simstate::kPropertiesFile, name, value);
}

int SimulatorEngine::start()
{
    std::lock_guard lock(m_mutex);
    if (!m_currentUuid) {
        qDebug() << "no current simulated machine to start";
        return kMachineNotFound;
    }
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (registry.failure() == SimRegistry::Transaction::Failure::Unavailable)
        return kEngineNotInitialised;
    if (registry.failure() == SimRegistry::Transaction::Failure::Busy)
        return kCommunicationFailed;
    auto record = currentRecord(registry);
    if (!record)
        return kMachineNotFound;
    if (isRunning(*record)) {
        qDebug() << "simulated machine already running" << record->name;
        return 0;
    }
    applyKeptHardware(*record);
    QString error;
    const auto definition = MachineDefinition::read(record->definition, &error);
    if (!definition) {
        qDebug() << "cannot read machine definition" << error;
        return kMachineNotFound;
    }
    for (const MachineDefinition::Medium &medium : definition->media) {
        if (!QFileInfo(medium.location).isFile()) {
            qDebug() << "disk image missing" << medium.location;
            return kMachineStartFailed;
        }
    }
    if (!guestProgramFound()) {
        qDebug() << "simulated guest program not found" << m_config.guestProgram;
        return kLocationNotFound;
    }
    const SimStateFolder state(record->stateFolder);
    if (!state.create() || !state.writeHardware(definition->cpuCount, definition->memoryMB)
        || !state.write(simstate::kSharesFile, {}))
        return kMachineStartFailed;
    const auto guest = GuestProcess::spawn(m_config.guestProgram, {state.path()},
                                           state.filePath(simstate::kGuestLogFile), &error);
    if (!guest) {
        qDebug() << "cannot start the simulated guest" << m_config.guestProgram << error;
        return kMachineStartFailed;
    }
    record->pid = guest->pid;
    record->pidStartTime = guest->startTime;
    registry.put(*record);
    if (!registry.commit()) {
        GuestProcess::terminate(*guest, m_config.stopGraceMs);
        return kCommunicationFailed;
    }
    qDebug() << "simulated machine started" << record->name << "pid" << guest->pid;
    return 0;
}

bool SimulatorEngine::stop()
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return false;
    auto record = currentRecord(registry);
    if (!record)
        return false;
    GuestProcess::terminate({record->pid, record->pidStartTime}, m_config.stopGraceMs);
    record->pid = 0;
    record->pidStartTime = 0;
    SimStateFolder(record->stateFolder).write(simstate::kSharesFile, {});
    applyKeptHardware(*record);
    registry.put(*record);
    return registry.commit();
}

bool SimulatorEngine::vboxInstalled()
{
    return guestProgramFound();
}

bool SimulatorEngine::hasSharedFolder(QString name)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return false;
    const auto record = currentRecord(registry);
    if (!record)
        return false;
    return SimStateFolder(record->stateFolder).read(simstate::kSharesFile).count(name.toStdString()) > 0;
}

int SimulatorEngine::createSharedFolder(QString name, QString hostPath)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return kFailed;
    const auto record = currentRecord(registry);
    if (!record)
        return kFailed;
    if (!isRunning(*record)) {
        qDebug() << "machine not running, cannot add a transient shared folder" << name;
        return kFailed;
    }
    const QFileInfo host(hostPath);
    if (name.isEmpty() || hostPath.isEmpty() || !host.isDir()) {
        qDebug() << "shared folder path does not exist on the host" << name << hostPath;
        return kFailed;
    }
    const SimStateFolder state(record->stateFolder);
    simstate::Entries shares = state.read(simstate::kSharesFile);
    if (shares.count(name.toStdString())) {
        qDebug() << "shared folder already exists" << name;
        return kFailed;
    }
    shares[name.toStdString()] = host.absoluteFilePath().toStdString();
    return state.write(simstate::kSharesFile, shares) ? 0 : kFailed;
}

int SimulatorEngine::removeSharedFolder(QString name)
{
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return kFailed;
    const auto record = currentRecord(registry);
    if (!record)
        return kFailed;
    const SimStateFolder state(record->stateFolder);
    simstate::Entries shares = state.read(simstate::kSharesFile);
    if (shares.erase(name.toStdString()) == 0) {
        qDebug() << "no shared folder named" << name;
        return kFailed;
    }
    return state.write(simstate::kSharesFile, shares) ? 0 : kFailed;
}

QString SimulatorEngine::getVersion()
{
    return QStringLiteral(TAVENOR_VERSION "-simulator");
}

void SimulatorEngine::setCpuAndMemory(int cpuCount, int memoryMB)
{
    if (cpuCount <= 0 || memoryMB <= 0) {
        qDebug() << "invalid CPU count or memory size" << cpuCount << memoryMB;
        return;
    }
    std::lock_guard lock(m_mutex);
    SimRegistry::Transaction registry(m_config.registryFolder, m_config.lockTimeoutMs);
    if (!registry.ok())
        return;
    auto record = currentRecord(registry);
    if (!record)
        return;
    record->keptCpuCount = cpuCount;
    record->keptMemoryMB = memoryMB;
    if (isRunning(*record))
        qDebug() << "machine running, CPU and memory apply at the next start" << record->name;
    else
        applyKeptHardware(*record);
    registry.put(*record);
    registry.commit();
}

QString SimulatorEngine::getDiskUuid(QString path)
{
    return VdiReader::imageUuid(path);
}
