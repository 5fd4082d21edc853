#include "AgentLink.h"

#include "Backoff.h"
#include "EventJson.h"
#include "EventLog.h"

#include <guestproto/GuestSocket.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace {

using namespace std::chrono_literals;

constexpr auto kConnectTimeout = 1000ms;
constexpr std::size_t kReadChunk = 64 * 1024;

} // namespace

AgentLink::AgentLink(const char *name, std::string host, EventLog &log,
                     std::unique_ptr<StreamConsumer> consumer, Callbacks callbacks)
    : m_name(name), m_host(std::move(host)), m_log(log), m_consumer(std::move(consumer)),
      m_callbacks(std::move(callbacks))
{
}

AgentLink::~AgentLink()
{
    stop();
}

void AgentLink::setPort(std::uint16_t port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (port == m_port)
        return;
    m_port = port;
    m_portChanged = true;
    interruptLocked();
}

bool AgentLink::send(guest::Bytes bytes, const char *type, QJsonObject fields)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_connectedFd < 0)
            return false;
        m_outgoing.push_back(Outgoing{std::move(bytes), type, std::move(fields)});
    }
    m_wake.wake();
    return true;
}

// Wakes the thread wherever it waits; shutting the socket down also ends a
// write that the host is not reading.
void AgentLink::interruptLocked()
{
    if (m_connectedFd >= 0 && (m_stopping || m_dropRequested))
        ::shutdown(m_connectedFd, SHUT_RDWR);
    m_changed.notify_all();
    m_wake.wake();
}

bool AgentLink::waitForPort(std::uint16_t &port)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || m_port != 0; });
    m_portChanged = false;
    m_dropRequested = false;
    port = m_port;
    return !m_stopping;
}

bool AgentLink::pause(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, duration, [this] { return m_stopping || m_portChanged; });
    return !m_stopping;
}

void AgentLink::setConnected(int fd)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connectedFd = fd;
}

void AgentLink::setDisconnected()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connectedFd = -1;
    m_dropRequested = false;
    // Messages meant for the connection that ended are not carried over to
    // the next one: the host may be a different peer by then.
    m_outgoing.clear();
}

void AgentLink::run()
{
    if (!m_wake.isValid()) {
        std::fprintf(stderr, "%s: cannot create its wake pipe\n", m_name);
        return;
    }
    Backoff backoff;
    bool reportFailure = true;
    std::uint16_t port = 0;
    while (waitForPort(port)) {
        guest::GuestSocket socket = guest::GuestSocket::connectTo(m_host, port, kConnectTimeout);
        if (!socket.isOpen()) {
            if (reportFailure)
                std::fprintf(stderr, "%s: cannot connect to %s:%u (%s), retrying\n", m_name,
                             m_host.c_str(), unsigned(port), std::strerror(socket.lastError()));
            reportFailure = false;
            if (!pause(backoff.next()))
                break;
            continue;
        }
        backoff.reset();
        reportFailure = true;
        m_consumer->reset();
        m_wake.drain();
        setConnected(socket.fd());
        m_log.write(events::kGuest, events::kOut, "connected", {{"link", m_name}});
        if (m_callbacks.connected)
            m_callbacks.connected();
        const std::string reason = serve(socket);
        setDisconnected();
        socket.close();
        m_log.write(events::kGuest, events::kOut, "disconnected",
                    {{"link", m_name}, {"reason", QString::fromStdString(reason)}});
        std::fprintf(stderr, "%s: connection ended: %s\n", m_name, reason.c_str());
        if (m_callbacks.disconnected)
            m_callbacks.disconnected();
        if (!pause(backoff.next()))
            break;
    }
}

std::string AgentLink::interruption() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping)
        return "the guest is stopping";
    if (m_dropRequested)
        return "dropped on request";
    if (m_portChanged)
        return "the port changed";
    return {};
}

std::string AgentLink::serve(guest::GuestSocket &socket)
{
    std::array<std::uint8_t, kReadChunk> buffer;
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{socket.fd(), POLLIN, 0},
                                  pollfd{m_wake.readFd(), POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return std::string("poll failed: ") + std::strerror(errno);
        }
        if (fds[1].revents != 0) {
            m_wake.drain();
            if (std::string reason = interruption(); !reason.empty())
                return reason;
            const std::string failure = writeQueued(socket);
            if (!failure.empty())
                return interruption().empty() ? failure : interruption();
        }
        if (fds[0].revents == 0)
            continue;
        const guest::ReadSomeResult read = socket.readSome(buffer.data(), buffer.size(), 0ms);
        if (read.status == guest::ReadStatus::TimedOut)
            continue;
        if (read.status != guest::ReadStatus::Ok) {
            // A stop or drop shuts the socket down, which reads as its end.
            if (std::string reason = interruption(); !reason.empty())
                return reason;
            if (read.status == guest::ReadStatus::Closed)
                return "closed by the host";
            return std::string("read failed: ") + std::strerror(socket.lastError());
        }
        if (!m_consumer->consume(buffer.data(), read.bytes))
            return "malformed data from the host: " + m_consumer->error();
    }
}

std::string AgentLink::writeQueued(guest::GuestSocket &socket)
{
    for (;;) {
        Outgoing message;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_outgoing.empty())
                return {};
            message = std::move(m_outgoing.front());
            m_outgoing.pop_front();
        }
        if (!socket.sendAll(message.bytes))
            return std::string("write failed: ") + std::strerror(socket.lastError());
        m_log.write(m_name, events::kOut, message.type, message.fields);
    }
}
