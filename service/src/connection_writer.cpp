#include "connection_writer.h"

#include "handle_table.h"

#include <service/socket.h>

#include <QDebug>

#include <algorithm>
#include <cerrno>

namespace service {

ConnectionWriter::ConnectionWriter(int handle, std::size_t maxPendingBytes)
    : m_handle(handle), m_maxPendingBytes(maxPendingBytes)
{
    m_thread = std::thread([this] { run(); });
}

ConnectionWriter::~ConnectionWriter()
{
    close();
}

bool ConnectionWriter::post(const void *bytes, int length, Completion done)
{
    if (length < 0)
        return false;
    const char *first = static_cast<const char *>(bytes);
    int sent = 0;
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return false;
        if (m_pending.size() + static_cast<std::size_t>(length) > m_maxPendingBytes) {
            if (!m_overflowLogged)
                qDebug() << "guest not reading, message dropped on handle" << m_handle;
            m_overflowLogged = true;
            return false;
        }
        bool failed = false;
        // The send happens under the lock, so that nothing posted meanwhile
        // can overtake it; it never waits, so nobody waits long for the lock.
        const auto now = std::chrono::steady_clock::now();
        m_run = now - m_lastPost < kBurstGap ? m_run + 1 : 0;
        m_lastPost = now;
        if (!m_writing && m_pending.empty() && m_run < kImmediateInRun)
            sent = sendNow(first, length, failed);
        if (!failed && sent < length) {
            Completion rest;
            if (done)
                rest = [sent, whole = std::move(done)](int written) { whole(sent + written); };
            queue(first + sent, length - sent, std::move(rest));
            queued = true;
        }
    }
    if (queued)
        m_wake.notify_one();
    else if (done)
        done(sent);
    return true;
}

int ConnectionWriter::sendNow(const char *bytes, int length, bool &failed)
{
    int sent = 0;
    while (sent < length) {
        const int now = writeWithoutWaiting(m_handle, bytes + sent, length - sent);
        if (now > 0) {
            sent += now;
            continue;
        }
        failed = now == 0 || errno != EAGAIN;
        break;
    }
    return sent;
}

void ConnectionWriter::queue(const char *bytes, int length, Completion done)
{
    const std::size_t begin = m_pending.size();
    m_pending.insert(m_pending.end(), bytes, bytes + length);
    if (done)
        m_marks.push_back(Mark{begin, m_pending.size(), std::move(done)});
}

void ConnectionWriter::close()
{
    bool interrupt = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_pending.clear();
        m_marks.clear();
        interrupt = m_writing;
    }
    m_wake.notify_one();
    // A guest that does not read can hold a send for ever; shutting the
    // socket down ends it.
    if (interrupt)
        box_shutdown(m_handle);
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void ConnectionWriter::run()
{
    std::vector<char> batch;
    std::vector<Mark> marks;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_writing = false;
            m_wake.wait(lock, [this] { return m_closed || !m_pending.empty(); });
            if (m_closed)
                return;
            batch.swap(m_pending);
            marks.swap(m_marks);
            m_writing = true;
            m_overflowLogged = false;
        }
        const int size = static_cast<int>(batch.size());
        const int written = write_fully(m_handle, batch.data(), size);
        for (const Mark &mark : marks) {
            const auto begin = static_cast<int>(mark.begin);
            const auto end = static_cast<int>(mark.end);
            mark.done(std::clamp(written - begin, 0, end - begin));
        }
        batch.clear();
        marks.clear();
    }
}

} // namespace service
