#include "LinkThread.h"

#include <cassert>

LinkThread::~LinkThread()
{
    assert(!m_thread.joinable() && "a derived link stops its thread in its own destructor");
}

void LinkThread::start()
{
    if (m_thread.joinable())
        return;
    m_thread = std::thread([this] { run(); });
}

void LinkThread::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        interruptLocked();
    }
    if (m_thread.joinable())
        m_thread.join();
}

bool LinkThread::drop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_connectedFd < 0)
        return false;
    m_dropRequested = true;
    interruptLocked();
    return true;
}

bool LinkThread::isConnected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connectedFd >= 0;
}
