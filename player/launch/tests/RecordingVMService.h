#pragma once

#include <VMService.h>

#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

// The real engine seen through a recorder: every call is forwarded and
// noted in order ("start:4", "removeMachine:refused", ...), so tests see
// what the launch asked and in which order. Two behaviours the simulated
// engine cannot show on its own are switchable: a removal that fails, as
// VirtualBox refuses to unregister a machine another session holds, a
// hook that runs before a start is forwarded (to hold the worker there),
// failing lookups and failing stops.
class RecordingVMService final : public VMService
{
public:
    explicit RecordingVMService(VMService &engine);

    QStringList calls() const;
    // How many calls of operation (the part before ':').
    int count(const QString &operation) const;
    QList<QPair<QString, QString>> properties() const;

    void setRefuseRemoval(bool refuse);
    // Lookups that fail (not forwarded: the engine keeps its current
    // machine), as when VirtualBox cannot list its machines for a moment.
    void setFailLookups(bool fail);
    // The next count stops fail without reaching the engine.
    void setFailingStops(int count);
    // Runs on the calling thread, outside the recorder's lock.
    void setBeforeStart(std::function<void()> hook);

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
    void record(const QString &call);

    VMService &m_engine;
    mutable std::mutex m_mutex;
    QStringList m_calls;
    QList<QPair<QString, QString>> m_properties;
    bool m_refuseRemoval = false;
    bool m_failLookups = false;
    int m_failingStops = 0;
    std::function<void()> m_beforeStart;
};
