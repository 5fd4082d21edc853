#include <service/server_manager.h>

#include "handle_table.h"
#include "platform/auto_reset_event.h"
#include "platform/socket_platform.h"
#include "server_manager_internal.h"

#include <service/socket.h>

#include <OwnUserGate.h>

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <netinet/in.h>
#endif

namespace service {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIdleWaitMs = 3000;

struct Entry
{
    int port = 0;
    int handle = 0;
    server_accept_callback onAccept = nullptr;
    server_readable_callback onReadable = nullptr;
    Clock::time_point acceptPausedUntil{};
};

void reportRefusal(const std::string &line)
{
    qDebug().noquote() << QString::fromStdString(line);
}

struct Manager
{
    // Lock order: servers before connections. Both are re-entrant so that
    // callbacks may call back into the manager.
    std::recursive_mutex serverLock;
    std::recursive_mutex connectionLock;
    std::list<Entry> servers;
    std::list<Entry> connections;

    std::mutex runLock;
    bool run = false;
    AutoResetEvent newServer;
    net::Waker waker;

    std::mutex lifeLock;
    bool initialised = false;
    std::thread loop;

    std::atomic<unsigned long> passes{0};

    peerowner::OwnUserGate ownUserOnly{reportRefusal};

    std::mutex resetLock;
    std::vector<void (*)()> resets;
};

// Never destroyed: the loop thread may outlive every static object.
Manager &manager()
{
    static Manager *const instance = new Manager;
    return *instance;
}

bool running()
{
    Manager &m = manager();
    std::lock_guard<std::mutex> lock(m.runLock);
    return m.run;
}

std::list<Entry>::iterator findHandle(std::list<Entry> &entries, int handle)
{
    return std::find_if(entries.begin(), entries.end(),
                        [handle](const Entry &entry) { return entry.handle == handle; });
}

bool hasConnections()
{
    Manager &m = manager();
    std::lock_guard<std::recursive_mutex> lock(m.connectionLock);
    return !m.connections.empty();
}

// Sleeps while there is nothing to watch. Connections of a removed server
// are still served. False when the manager was cleaned up while waiting.
bool waitForServers()
{
    Manager &m = manager();
    std::unique_lock<std::recursive_mutex> lock(m.serverLock);
    while (m.servers.empty() && !hasConnections()) {
        qDebug() << "server list empty, wait new server";
        lock.unlock();
        m.newServer.wait();
        if (!running())
            return false;
        lock.lock();
    }
    return true;
}

struct Watched
{
    std::vector<net::PollItem> items;
    std::vector<int> handles; // per item; the waker is last and has none
    std::size_t serverCount = 0;
    int timeoutMs = kIdleWaitMs;
};

void addItem(Watched &watched, int handle)
{
    const net::NativeSocket socket = nativeSocketOf(handle);
    if (socket == net::kInvalidSocket)
        return;
    watched.items.push_back(net::PollItem{socket, false});
    watched.handles.push_back(handle);
}

Watched collectWatched()
{
    Manager &m = manager();
    Watched watched;
    const Clock::time_point now = Clock::now();
    {
        std::lock_guard<std::recursive_mutex> lock(m.serverLock);
        for (const Entry &server : m.servers) {
            if (server.acceptPausedUntil > now) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    server.acceptPausedUntil - now);
                watched.timeoutMs = std::min(watched.timeoutMs, static_cast<int>(left.count()) + 1);
                continue;
            }
            addItem(watched, server.handle);
        }
        watched.serverCount = watched.items.size();
    }
    {
        std::lock_guard<std::recursive_mutex> lock(m.connectionLock);
        for (const Entry &connection : m.connections)
            addItem(watched, connection.handle);
    }
    watched.items.push_back(net::PollItem{m.waker.pollSocket(), false});
    return watched;
}

void serveReadable(const std::vector<int> &readable)
{
    Manager &m = manager();
    std::lock_guard<std::recursive_mutex> lock(m.connectionLock);
    for (const int handle : readable) {
        auto entry = findHandle(m.connections, handle);
        if (entry == m.connections.end())
            continue;
        if (entry->onReadable(handle) > 0)
            continue;
        // The callback may have changed the list; look the entry up again.
        entry = findHandle(m.connections, handle);
        if (entry != m.connections.end())
            m.connections.erase(entry);
    }
}

// Whether a connection waits on the server now. Readiness from the poll can
// be stale: the server may have been stopped since and its handle and socket
// given to a newly started one, on which an accept would wait, holding the
// server lock, for a connection that may never come.
bool connectionWaiting(int server)
{
    std::vector<net::PollItem> items{net::PollItem{nativeSocketOf(server), false}};
    return net::pollReadable(items, 0) > 0 && items.front().ready;
}

void acceptPending(const std::vector<int> &pending)
{
    Manager &m = manager();
    std::lock_guard<std::recursive_mutex> lock(m.serverLock);
    for (const int server : pending) {
        auto entry = findHandle(m.servers, server);
        if (entry == m.servers.end() || !connectionWaiting(server))
            continue;
        sockaddr_in address{};
        int length = sizeof address;
        const int handle = box_accept(server, reinterpret_cast<sockaddr *>(&address), &length);
        if (handle <= 0) {
            entry->acceptPausedUntil = Clock::now() + kAcceptRetryDelay;
            continue;
        }
        // Loopback is open to every local user: only the user's own guest
        // may become a service's connection.
        if (!m.ownUserOnly.admit(nativeSocketOf(handle), entry->port)) {
            box_close(handle);
            continue;
        }
        net::tuneConnection(nativeSocketOf(handle), static_cast<int>(kGuestReceiveTimeout.count()));
        const Entry owner = *entry;
        if (owner.onAccept(handle) < 0) {
            box_close(handle);
            continue;
        }
        std::lock_guard<std::recursive_mutex> connectionLock(m.connectionLock);
        m.connections.push_back(Entry{owner.port, handle, owner.onAccept, owner.onReadable, {}});
    }
}

void loopPass()
{
    Manager &m = manager();
    Watched watched = collectWatched();
    const int ready = net::pollReadable(watched.items, watched.timeoutMs);
    if (ready <= 0)
        return;
    if (watched.items.back().ready)
        m.waker.drain();
    std::vector<int> readable;
    std::vector<int> pending;
    for (std::size_t i = 0; i + 1 < watched.items.size(); ++i) {
        if (!watched.items[i].ready)
            continue;
        (i < watched.serverCount ? pending : readable).push_back(watched.handles[i]);
    }
    serveReadable(readable);
    acceptPending(pending);
}

void loop()
{
    Manager &m = manager();
    while (running()) {
        m.passes.fetch_add(1);
        if (!waitForServers())
            return;
        loopPass();
    }
}

void closeAll(std::recursive_mutex &lock, std::list<Entry> &entries)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (const Entry &entry : entries)
        box_close(entry.handle);
    entries.clear();
}

void resetServices()
{
    Manager &m = manager();
    std::vector<void (*)()> resets;
    {
        std::lock_guard<std::mutex> lock(m.resetLock);
        resets = m.resets;
    }
    for (void (*reset)() : resets)
        reset();
}

} // namespace

void onServerManagerCleanup(void (*reset)())
{
    Manager &m = manager();
    std::lock_guard<std::mutex> lock(m.resetLock);
    if (std::find(m.resets.begin(), m.resets.end(), reset) == m.resets.end())
        m.resets.push_back(reset);
}

unsigned long serverManagerLoopPasses()
{
    return manager().passes.load();
}

} // namespace service

using namespace service;

extern "C" {

void server_manager_init(void)
{
    Manager &m = manager();
    std::lock_guard<std::mutex> life(m.lifeLock);
    if (m.initialised)
        return;
    {
        std::lock_guard<std::mutex> lock(m.runLock);
        m.run = true;
    }
    m.newServer.reset();
    m.initialised = true;
    m.loop = std::thread(loop);
}

int server_manager_add(int port, server_accept_callback onAccept,
                       server_readable_callback onReadable)
{
    Manager &m = manager();
    const int handle = socket_loopback_server(port, SERVICE_SOCKET_STREAM);
    if (handle < 0) {
        qDebug() << "create server failed" << port;
        return -1;
    }
    qDebug() << "add new server" << port;
    {
        std::lock_guard<std::recursive_mutex> lock(m.serverLock);
        m.servers.push_back(Entry{port, handle, onAccept, onReadable, {}});
        m.newServer.signal();
    }
    m.waker.wake();
    return 0;
}

void server_manager_remove(int port)
{
    Manager &m = manager();
    {
        std::lock_guard<std::recursive_mutex> lock(m.serverLock);
        const auto entry =
            std::find_if(m.servers.begin(), m.servers.end(),
                         [port](const Entry &server) { return server.port == port; });
        if (entry == m.servers.end())
            return;
        box_close(entry->handle);
        m.servers.erase(entry);
    }
    m.waker.wake();
}

// The entry goes before the handle is closed, so that no readable callback
// is ever handed a handle that was closed under it.
void server_manager_client_close(int handle)
{
    Manager &m = manager();
    {
        std::lock_guard<std::recursive_mutex> lock(m.connectionLock);
        const auto entry = findHandle(m.connections, handle);
        if (entry != m.connections.end())
            m.connections.erase(entry);
    }
    box_close(handle);
    m.waker.wake();
}

// Stops the loop thread and waits for it, then lets every service end its
// connection (writer first, so that no writer is left holding a closed
// handle whose number may be handed out again) and closes whatever is left,
// so that the manager and the services can be started again.
void server_manager_cleanup(void)
{
    Manager &m = manager();
    std::lock_guard<std::mutex> life(m.lifeLock);
    if (!m.initialised)
        return;
    {
        std::lock_guard<std::mutex> lock(m.runLock);
        m.run = false;
    }
    m.newServer.signal();
    m.waker.wake();
    if (m.loop.get_id() == std::this_thread::get_id())
        m.loop.detach();
    else
        m.loop.join();
    resetServices();
    closeAll(m.connectionLock, m.connections);
    closeAll(m.serverLock, m.servers);
    m.initialised = false;
}

} // extern "C"
