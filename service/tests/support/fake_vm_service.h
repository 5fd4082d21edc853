#pragma once

// A stand-in for the VM service, which drives VirtualBox and cannot run
// here. It keeps shared folders as its documented interface describes
// (hasSharedFolder is true while a share exists, createSharedFolder gives 0
// on success) and records every shared-folder call in order.

#include <VMService.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace service_test {

class FakeVMService final : public VMService
{
public:
    // The result createSharedFolder gives from now on (0 = success).
    void setCreateResult(int result);
    // The shared-folder calls so far: "create <name> <path>", "remove <name>".
    std::vector<std::string> calls() const;
    int countCalls(const std::string &prefix) const;
    bool hasShare(const std::string &name) const;

    bool findMachine(QString) override { return true; }
    bool openMachine(QString) override { return true; }
    bool removeMachine(QString) override { return true; }
    bool hostHasVTSupport() override { return true; }
    int hostProcessorCount() override { return 2; }
    int hostMemorySizeMB() override { return 4096; }
    void setGuestProperty(QString, QString) override {}
    int start() override { return 0; }
    bool stop() override { return true; }
    bool vboxInstalled() override { return true; }
    bool hasSharedFolder(QString name) override;
    int createSharedFolder(QString name, QString hostPath) override;
    int removeSharedFolder(QString name) override;
    QString getVersion() override { return QStringLiteral("7.0.0"); }
    void setCpuAndMemory(int, int) override {}
    QString getDiskUuid(QString) override { return {}; }

private:
    mutable std::mutex m_mutex;
    std::set<std::string> m_shares;
    std::vector<std::string> m_calls;
    int m_createResult = 0;
};

} // namespace service_test
