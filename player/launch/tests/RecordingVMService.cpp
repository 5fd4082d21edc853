#include "RecordingVMService.h"

#include <utility>

RecordingVMService::RecordingVMService(VMService &engine) : m_engine(engine) {}

// Copies that share nothing with the recorder's lists: the worker appends
// to those while the test reads its copy.
QStringList RecordingVMService::calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList copy = m_calls;
    copy.detach();
    return copy;
}

int RecordingVMService::count(const QString &operation) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int found = 0;
    for (const QString &call : m_calls)
        found += call.section(QLatin1Char(':'), 0, 0) == operation ? 1 : 0;
    return found;
}

QList<QPair<QString, QString>> RecordingVMService::properties() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<QPair<QString, QString>> copy = m_properties;
    copy.detach();
    return copy;
}

void RecordingVMService::setRefuseRemoval(bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refuseRemoval = refuse;
}

void RecordingVMService::setFailLookups(bool fail)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failLookups = fail;
}

void RecordingVMService::setFailingStops(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failingStops = count;
}

void RecordingVMService::setBeforeStart(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_beforeStart = std::move(hook);
}

void RecordingVMService::record(const QString &call)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.append(call);
}

bool RecordingVMService::findMachine(QString name)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failLookups) {
            m_calls.append(QStringLiteral("findMachine:failed"));
            return false;
        }
    }
    const bool found = m_engine.findMachine(name);
    record(QStringLiteral("findMachine:") + (found ? QStringLiteral("found") : QStringLiteral("none")));
    return found;
}

bool RecordingVMService::openMachine(QString path)
{
    const bool opened = m_engine.openMachine(path);
    record(QStringLiteral("openMachine:") + (opened ? QStringLiteral("opened") : QStringLiteral("failed")));
    return opened;
}

bool RecordingVMService::removeMachine(QString name)
{
    bool refuse = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        refuse = m_refuseRemoval;
    }
    if (refuse) {
        record(QStringLiteral("removeMachine:refused"));
        return false;
    }
    const bool removed = m_engine.removeMachine(name);
    record(QStringLiteral("removeMachine:") + (removed ? QStringLiteral("removed") : QStringLiteral("failed")));
    return removed;
}

bool RecordingVMService::hostHasVTSupport()
{
    return m_engine.hostHasVTSupport();
}

int RecordingVMService::hostProcessorCount()
{
    return m_engine.hostProcessorCount();
}

int RecordingVMService::hostMemorySizeMB()
{
    return m_engine.hostMemorySizeMB();
}

void RecordingVMService::setGuestProperty(QString name, QString value)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.append(QStringLiteral("setGuestProperty:") + name);
        m_properties.append({name, value});
    }
    m_engine.setGuestProperty(name, value);
}

int RecordingVMService::start()
{
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        hook = m_beforeStart;
    }
    if (hook)
        hook();
    const int code = m_engine.start();
    record(QStringLiteral("start:%1").arg(code));
    return code;
}

bool RecordingVMService::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failingStops > 0) {
            --m_failingStops;
            m_calls.append(QStringLiteral("stop:failed"));
            return false;
        }
    }
    record(QStringLiteral("stop"));
    return m_engine.stop();
}

bool RecordingVMService::vboxInstalled()
{
    return m_engine.vboxInstalled();
}

bool RecordingVMService::hasSharedFolder(QString name)
{
    return m_engine.hasSharedFolder(name);
}

int RecordingVMService::createSharedFolder(QString name, QString hostPath)
{
    const int result = m_engine.createSharedFolder(name, hostPath);
    record(QStringLiteral("createSharedFolder:%1=%2").arg(name, hostPath));
    return result;
}

int RecordingVMService::removeSharedFolder(QString name)
{
    record(QStringLiteral("removeSharedFolder:") + name);
    return m_engine.removeSharedFolder(name);
}

QString RecordingVMService::getVersion()
{
    return m_engine.getVersion();
}

void RecordingVMService::setCpuAndMemory(int cpuCount, int memoryMB)
{
    record(QStringLiteral("setCpuAndMemory:%1,%2").arg(cpuCount).arg(memoryMB));
    m_engine.setCpuAndMemory(cpuCount, memoryMB);
}

QString RecordingVMService::getDiskUuid(QString path)
{
    return m_engine.getDiskUuid(path);
}
