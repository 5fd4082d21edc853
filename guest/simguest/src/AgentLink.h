#pragma once

#include "LinkThread.h"
#include "StreamConsumer.h"
#include "WakePipe.h"

#include <guestproto/GuestMessages.h>

#include <QJsonObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class EventLog;

namespace guest {
class GuestSocket;
}

// One guest agent's connection to its host service, kept up by a thread of
// its own: it connects to host:port once a port is known, hands what arrives
// to its consumer, writes queued messages, and reconnects after a pause when
// the connection ends (closed, malformed bytes, a failed write, `drop`). It
// records "connected" and "disconnected" and every message it writes in the
// event log.
class AgentLink : public LinkThread
{
public:
    struct Callbacks
    {
        std::function<void()> connected;    // on the agent thread
        std::function<void()> disconnected; // on the agent thread
    };

    AgentLink(const char *name, std::string host, EventLog &log,
              std::unique_ptr<StreamConsumer> consumer, Callbacks callbacks);
    ~AgentLink();

    const char *name() const { return m_name; }

    // 0 means not known yet. A new port ends the current connection.
    void setPort(std::uint16_t port);

    // Queues a message for the current connection; false (and nothing
    // queued) while there is none. Logged as dir "out" once written.
    bool send(guest::Bytes bytes, const char *type, QJsonObject fields = QJsonObject());

private:
    struct Outgoing
    {
        guest::Bytes bytes;
        const char *type = nullptr;
        QJsonObject fields;
    };

    void run() override;
    // Waits for a port; false when stopping.
    bool waitForPort(std::uint16_t &port);
    // Waits for a pause or an interruption (stop, new port); false when stopping.
    bool pause(std::chrono::milliseconds duration);
    // Why the connection is to end at another thread's request; empty if it is not.
    std::string interruption() const;
    // Serves one connection until it ends; returns why it ended.
    std::string serve(guest::GuestSocket &socket);
    // Writes what is queued; an empty result means all went out.
    std::string writeQueued(guest::GuestSocket &socket);
    void setConnected(int fd);
    void setDisconnected();
    void interruptLocked() override;

    const char *const m_name;
    const std::string m_host;
    EventLog &m_log;
    const std::unique_ptr<StreamConsumer> m_consumer;
    const Callbacks m_callbacks;

    std::uint16_t m_port = 0;
    bool m_portChanged = false;
    std::deque<Outgoing> m_outgoing;

    WakePipe m_wake;
};
