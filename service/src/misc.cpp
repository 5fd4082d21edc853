#include <service/misc.h>

#include "guest_reader.h"
#include "install_queue.h"
#include "misc_internal.h"
#include "server_manager_internal.h"
#include "wire.h"

#include <service/server_manager.h>

#include <QDebug>

#include <mutex>

namespace service {

namespace {

constexpr std::int32_t kEngineEnable = 1;
constexpr std::int32_t kEngineShowEditor = 2;
constexpr std::int32_t kMouseLockValue = 1;

template <typename Callback> struct Registered
{
    Callback callback = nullptr;
    void *context = nullptr;
};

struct Misc
{
    CurrentConnection connection;
    std::mutex callbackLock;
    Registered<misc_connected_callback> connected;
    Registered<misc_value_callback> mouseLock;
    Registered<misc_value_callback> engineEnabled;
    Registered<misc_connected_callback> disconnected;
};

Misc &state()
{
    static Misc *const instance = new Misc;
    return *instance;
}

template <typename Callback> Registered<Callback> registered(Registered<Callback> Misc::*which)
{
    Misc &misc = state();
    std::lock_guard<std::mutex> lock(misc.callbackLock);
    return misc.*which;
}

template <typename Callback>
void setRegistered(Registered<Callback> Misc::*which, Callback callback, void *context)
{
    Misc &misc = state();
    std::lock_guard<std::mutex> lock(misc.callbackLock);
    misc.*which = Registered<Callback>{callback, context};
}

// A payload that is not the 4-byte lock value is skipped whole, so the
// connection stays in step; a negative or over-long length cannot be.
int skipMouseLockPayload(GuestReader &reader, int handle, std::int32_t length)
{
    qDebug() << "mouse magic bad length " << length;
    if (length < 0 || length > kMaxGuestPayload)
        return endMiscConnection(handle);
    if (!reader.discard(length)) {
        qDebug() << "mouse magic read lock failed";
        return endMiscConnection(handle);
    }
    return 1;
}

int readMouseLock(GuestReader &reader, int handle)
{
    std::int32_t header[2]; // sub-command, payload length
    if (!reader.readInts(header, 2)) {
        qDebug() << "mouse magic read cmd&length failed";
        return endMiscConnection(handle);
    }
    if (header[0] != kMouseLockValue)
        return 1;
    if (header[1] != 4)
        return skipMouseLockPayload(reader, handle, header[1]);
    std::int32_t value = 0;
    if (!reader.readInt(value)) {
        qDebug() << "mouse magic read lock failed";
        return endMiscConnection(handle);
    }
    qDebug() << "get mouse cmd lock " << value;
    const auto mouseLock = registered(&Misc::mouseLock);
    if (mouseLock.callback != nullptr)
        mouseLock.callback(mouseLock.context, value);
    return 1;
}

int readGuestReady(GuestReader &reader, int handle)
{
    std::int32_t value = 0;
    if (!reader.readInt(value)) {
        qDebug() << "misc read magic failed";
        return endMiscConnection(handle);
    }
    const auto connected = registered(&Misc::connected);
    if (value == 1 && connected.callback != nullptr)
        connected.callback(connected.context);
    return 1;
}

int readEngine(GuestReader &reader, int handle)
{
    std::int32_t command = 0;
    if (!reader.readInt(command)) {
        qDebug() << "misc read magic failed";
        return endMiscConnection(handle);
    }
    qDebug() << "misc engine cmd " << command;
    if (command != kEngineEnable)
        return 1;
    std::int32_t enabled = 0;
    if (!reader.readInt(enabled)) {
        qDebug() << "misc read magic failed";
        return endMiscConnection(handle);
    }
    const auto engineEnabled = registered(&Misc::engineEnabled);
    if (engineEnabled.callback != nullptr) {
        qDebug() << "misc engine enable" << enabled;
        engineEnabled.callback(engineEnabled.context, enabled);
    }
    return 1;
}

int onAccept(int handle)
{
    const int previous = state().connection.replace(handle);
    if (previous < 0)
        return -1;
    qDebug() << "misc new connection " << previous;
    return 1;
}

void reset()
{
    installQueueStop();
    state().connection.close();
}

} // namespace

int miscReadable(int handle)
{
    GuestReader reader(handle);
    std::int32_t code = 0;
    if (!reader.readInt(code)) {
        qDebug() << "misc read magic failed";
        return endMiscConnection(handle);
    }
    qDebug() << "client readable " << code;
    switch (code) {
    case kMiscInstall:
        return readInstallResult(reader, handle);
    case kMiscMouseLock:
        return readMouseLock(reader, handle);
    case kMiscGuestReady:
        return readGuestReady(reader, handle);
    case kMiscEngine:
        return readEngine(reader, handle);
    default:
        return 0;
    }
}

CurrentConnection &miscConnection()
{
    return state().connection;
}

int endMiscConnection(int handle)
{
    if (!miscConnection().closeIfCurrent(handle))
        return -1;
    qDebug() << "misc connection ended by the guest";
    const auto disconnected = registered(&Misc::disconnected);
    if (disconnected.callback != nullptr)
        disconnected.callback(disconnected.context);
    return -1;
}

} // namespace service

using namespace service;

extern "C" {

int misc_start(int port)
{
    onServerManagerCleanup(reset);
    installQueueStart();
    server_manager_add(port, onAccept, miscReadable);
    return 1;
}

void misc_stop(void)
{
    installQueueStop();
}

void misc_set_callback(misc_connected_callback callback, void *context)
{
    setRegistered(&Misc::connected, callback, context);
}

void misc_set_engine_callbacks(misc_value_callback mouseLock, void *context)
{
    setRegistered(&Misc::mouseLock, mouseLock, context);
}

void misc_set_engine_enabled_callback(misc_value_callback engineEnabled, void *context)
{
    setRegistered(&Misc::engineEnabled, engineEnabled, context);
}

void misc_set_disconnected_callback(misc_connected_callback disconnected, void *context)
{
    setRegistered(&Misc::disconnected, disconnected, context);
}

int misc_shake(void)
{
    if (!miscConnection().post(wire::ints(kMiscShake, 1))) {
        qDebug() << "misc shake not ready";
        return 1;
    }
    return 0;
}

int misc_set_engine_enable(int enabled)
{
    if (!miscConnection().post(wire::ints(kMiscEngine, kEngineEnable, enabled))) {
        qDebug() << "misc set engine enable not ready";
        return 1;
    }
    return 0;
}

int misc_show_engine(void)
{
    const auto message = wire::ints(kMiscEngine, kEngineShowEditor);
    const int length = static_cast<int>(message.size());
    const bool queued = miscConnection().post(message.data(), length, [expected = length](int written) {
        if (written == expected)
            qDebug() << "misc show engine editor success";
        else
            qDebug() << "misc show engine editor failed " << written;
    });
    if (!queued) {
        qDebug() << "misc show engine editor not ready";
        return 1;
    }
    return 0;
}

} // extern "C"
