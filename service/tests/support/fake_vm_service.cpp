#include "fake_vm_service.h"

#include <algorithm>

namespace service_test {

void FakeVMService::setCreateResult(int result)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_createResult = result;
}

std::vector<std::string> FakeVMService::calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

int FakeVMService::countCalls(const std::string &prefix) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [&prefix](const std::string &call) {
            return call.compare(0, prefix.size(), prefix) == 0;
        }));
}

bool FakeVMService::hasShare(const std::string &name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shares.count(name) > 0;
}

bool FakeVMService::hasSharedFolder(QString name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shares.count(name.toStdString()) > 0;
}

int FakeVMService::createSharedFolder(QString name, QString hostPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("create " + name.toStdString() + " " + hostPath.toStdString());
    if (m_createResult != 0 || m_shares.count(name.toStdString()) > 0)
        return m_createResult != 0 ? m_createResult : 1;
    m_shares.insert(name.toStdString());
    return 0;
}

int FakeVMService::removeSharedFolder(QString name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back("remove " + name.toStdString());
    return m_shares.erase(name.toStdString()) > 0 ? 0 : 1;
}

} // namespace service_test
