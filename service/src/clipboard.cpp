#include <service/clipboard.h>

#include "clipboard_internal.h"
#include "current_connection.h"
#include "guest_reader.h"
#include "server_manager_internal.h"
#include "wire.h"

#include <service/server_manager.h>

#include <QDebug>

#include <algorithm>
#include <mutex>
#include <vector>

namespace service {

namespace {

constexpr std::int32_t kClipboardCode = 35;
// The guest's clipboard agent refuses a longer text and then drops the
// connection for good, so the host never sends one; a guest's longer text
// ends its connection.
constexpr std::int32_t kMaxTextBytes = kMaxGuestPayload;

struct Clipboard
{
    std::mutex lock; // guards the fields below
    bool started = false;
    int port = 0;
    clipboard_text_callback callback = nullptr;
    void *context = nullptr;

    CurrentConnection connection;
};

Clipboard &state()
{
    static Clipboard *const instance = new Clipboard;
    return *instance;
}

bool started()
{
    Clipboard &clipboard = state();
    std::lock_guard<std::mutex> lock(clipboard.lock);
    return clipboard.started;
}

// A connection that arrives while the service is stopping is refused, so
// that its handle is closed rather than watched for nobody.
int onAccept(int handle)
{
    if (!started())
        return -1;
    return state().connection.replace(handle) < 0 ? -1 : 1;
}

// The guest reconnects after its connection ended.
int endConnection(int handle)
{
    state().connection.closeIfCurrent(handle);
    return -1;
}

int readText(GuestReader &reader, int handle, std::int32_t length,
             clipboard_text_callback callback, void *context)
{
    if (length < 0) {
        qDebug() << "clipboard bad text length" << length;
        return endConnection(handle);
    }
    if (length > kMaxTextBytes) {
        qDebug() << "clipboard text too long" << length;
        return endConnection(handle);
    }
    std::vector<char> bytes(static_cast<std::size_t>(length));
    if (!reader.readBytes(bytes.data(), length))
        return endConnection(handle);
    if (callback != nullptr) {
        const auto end = std::find(bytes.begin(), bytes.end(), '\0');
        callback(QString::fromUtf8(bytes.data(), static_cast<int>(end - bytes.begin())), context);
    }
    return 1;
}

void reset()
{
    clipboard_stop();
}

} // namespace

CurrentConnection &clipboardConnection()
{
    return state().connection;
}

int clipboardReadable(int handle)
{
    Clipboard &clipboard = state();
    clipboard_text_callback callback = nullptr;
    void *context = nullptr;
    {
        std::lock_guard<std::mutex> lock(clipboard.lock);
        if (!clipboard.started)
            return 0;
        callback = clipboard.callback;
        context = clipboard.context;
    }
    GuestReader reader(handle);
    std::int32_t header[2]; // code, text length
    if (!reader.readInts(header, 2))
        return endConnection(handle);
    if (header[0] != kClipboardCode)
        return 0;
    return readText(reader, handle, header[1], callback, context);
}

} // namespace service

using namespace service;

void clipboard_start(int port, clipboard_text_callback callback, void *context)
{
    clipboard_stop();
    onServerManagerCleanup(reset);
    Clipboard &clipboard = state();
    {
        std::lock_guard<std::mutex> lock(clipboard.lock);
        clipboard.started = true;
        clipboard.connection.start();
        clipboard.port = port;
        clipboard.callback = callback;
        clipboard.context = context;
    }
    server_manager_add(port, onAccept, clipboardReadable);
}

void clipboard_host_clip_data(QString text)
{
    if (!started())
        return;
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > kMaxTextBytes) {
        qDebug() << "clipboard host text too long, dropped" << bytes.size();
        return;
    }
    const auto message =
        wire::intsThenBytes({kClipboardCode, static_cast<int>(bytes.size())}, bytes.constData(),
                            static_cast<std::size_t>(bytes.size()));
    state().connection.post(message.data(), static_cast<int>(message.size()));
}

extern "C" void clipboard_stop(void)
{
    Clipboard &clipboard = state();
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(clipboard.lock);
        if (!clipboard.started)
            return;
        clipboard.started = false;
        port = clipboard.port;
    }
    clipboard.connection.stop();
    server_manager_remove(port);
}
