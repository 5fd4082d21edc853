#include "current_connection.h"

#include <service/server_manager.h>

#include <QDebug>

#include <exception>
#include <utility>

namespace service {

namespace {

void closePrevious(int handle, std::unique_ptr<ConnectionWriter> writer)
{
    if (writer)
        writer->close();
    if (handle > 0)
        server_manager_client_close(handle);
}

} // namespace

int CurrentConnection::replace(int handle, const void *first, int firstLength)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_refusing)
            return -1;
    }
    std::unique_ptr<ConnectionWriter> writer;
    try {
        writer = std::make_unique<ConnectionWriter>(handle);
    } catch (const std::exception &error) {
        qDebug() << "cannot serve connection" << handle << error.what();
        return -1;
    }
    std::unique_ptr<ConnectionWriter> previousWriter;
    int previous = 0;
    bool refused = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        refused = m_refusing;
        if (!refused) {
            previous = m_handle;
            previousWriter = std::move(m_writer);
            m_handle = handle;
            m_writer = std::move(writer);
            // Posted under the lock, so that nothing another thread sends
            // can go first, and only once the connection is current.
            if (first != nullptr)
                m_writer->post(first, firstLength);
        }
    }
    // A stop came meanwhile: the unused writer ends as it goes, outside the
    // lock.
    if (refused)
        return -1;
    // Closed outside the lock: closing waits for the old writer to stop.
    closePrevious(previous, std::move(previousWriter));
    return previous;
}

void CurrentConnection::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refusing = false;
}

void CurrentConnection::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_refusing = true;
    }
    close();
}

void CurrentConnection::close()
{
    std::unique_ptr<ConnectionWriter> previousWriter;
    int previous = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        previous = std::exchange(m_handle, 0);
        previousWriter = std::move(m_writer);
    }
    closePrevious(previous, std::move(previousWriter));
}

bool CurrentConnection::closeIfCurrent(int handle)
{
    std::unique_ptr<ConnectionWriter> writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (handle <= 0 || m_handle != handle)
            return false;
        m_handle = 0;
        writer = std::move(m_writer);
    }
    closePrevious(handle, std::move(writer));
    return true;
}

int CurrentConnection::handle() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handle;
}

bool CurrentConnection::post(const void *bytes, int length, ConnectionWriter::Completion done)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_writer)
        return false;
    return m_writer->post(bytes, length, std::move(done));
}

} // namespace service
