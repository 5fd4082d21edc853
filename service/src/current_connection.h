#pragma once

// The guest connection a service currently talks to, with its writer. A
// new connection from the guest replaces (and closes) the previous one.

#include "connection_writer.h"

#include <memory>
#include <mutex>

namespace service {

class CurrentConnection
{
public:
    // Makes handle the current connection; first, if given, goes to the
    // guest before anything another thread may send. The previous
    // connection is closed through the server manager. Returns the previous
    // handle, 0 if there was none, or -1 when the new connection is not
    // taken: the service is stopped, or its writer thread could not start
    // (logged). The previous connection then stays current and the caller
    // refuses the new one.
    int replace(int handle, const void *first = nullptr, int firstLength = 0);

    // Stop closes the current connection and refuses every new one until
    // start: a connection accepted while its service stops can never
    // become current after the stop.
    void start();
    void stop();

    // Closes the current connection, if any: its writer ends first, then
    // the handle is closed.
    void close();
    // The same, if handle is still the current connection: how a service
    // ends a connection that went out of step. False when it was not.
    bool closeIfCurrent(int handle);

    // 0 while no guest is connected.
    int handle() const;

    // False when no guest is connected (or its queue is full). done may
    // run inside this call with the connection locked: it must not post.
    bool post(const void *bytes, int length, ConnectionWriter::Completion done = {});

    template <typename Message> bool post(const Message &message)
    {
        return post(message.data(), static_cast<int>(message.size()));
    }

private:
    mutable std::mutex m_mutex;
    int m_handle = 0;
    std::unique_ptr<ConnectionWriter> m_writer;
    bool m_refusing = false;
};

} // namespace service
