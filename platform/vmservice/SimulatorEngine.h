#pragma once

#include "SimRegistry.h"
#include "VMService.h"

#include <mutex>
#include <optional>

// The simulated engine: behaves as VirtualBox would for everything the player
// uses, with no hypervisor. A machine is a registry entry plus a state folder
// beside its definition (SimStateFormat.h); starting it runs the simulated
// guest program with that folder. Operations of all threads and processes
// happen one at a time (this object's mutex, then the registry's lock).
class SimulatorEngine final : public VMService
{
public:
    struct Config
    {
        QString registryFolder; // holds registry.json and its lock
        QString guestProgram;   // the program a started machine runs
        int stopGraceMs = 5000; // SIGTERM to SIGKILL
        int lockTimeoutMs = 30000;

        // The registry in <generic data location>/tavenor-sim; the guest
        // program from the environment variable TAVENOR_GUEST_PROGRAM when set,
        // else tavenor-guest beside the running executable, else beside this
        // library.
        static Config fromEnvironment();
    };

    explicit SimulatorEngine(Config config);

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
    // The current machine's record, read under the transaction's lock;
    // nothing (and a log line) when there is none.
    std::optional<SimRegistry::Record> currentRecord(const SimRegistry::Transaction &registry) const;
    bool guestProgramFound() const;
    // Writes a kept CPU count and memory size into the definition; the
    // record's kept values are cleared once written.
    void applyKeptHardware(SimRegistry::Record &record) const;

    const Config m_config;
    std::mutex m_mutex;
    std::optional<QString> m_currentUuid;
};
