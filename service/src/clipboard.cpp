#include <service/clipboard.h>

#include "current_connection.h"
#include "guest_reader.h"
#include "wire.h"

#include <service/server_manager.h>
#include <service/socket.h>

#include <QDebug>

#include <algorithm>
#include <mutex>
#include <vector>

namespace service {

namespace {

constexpr std::int32_t kClipboardCode = 35;
// Nothing a user copies comes near this; a longer announced text is read
// and dropped rather than allocated.
constexpr std::int32_t kMaxTextBytes = 1 << 20;

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

int onAccept(int handle)
{
    if (!started())
        return 0;
    state().connection.replace(handle);
    return 1;
}

int readText(int handle, std::int32_t length, clipboard_text_callback callback, void *context)
{
    if (length < 0) {
        qDebug() << "clipboard bad text length" << length;
        return -1;
    }
    if (length > kMaxTextBytes) {
        qDebug() << "clipboard text too long, dropped" << length;
        return discardFully(handle, length) ? 1 : -1;
    }
    std::vector<char> bytes(static_cast<std::size_t>(length));
    if (read_fully(handle, bytes.data(), length) == length && callback != nullptr) {
        const auto end = std::find(bytes.begin(), bytes.end(), '\0');
        callback(QString::fromUtf8(bytes.data(), static_cast<int>(end - bytes.begin())), context);
    }
    return 1;
}

int onReadable(int handle)
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
    std::int32_t header[2]; // code, text length
    if (!readInts(handle, header, 2))
        return -1;
    if (header[0] != kClipboardCode)
        return 0;
    return readText(handle, header[1], callback, context);
}

} // namespace

} // namespace service

using namespace service;

void clipboard_start(int port, clipboard_text_callback callback, void *context)
{
    clipboard_stop();
    Clipboard &clipboard = state();
    {
        std::lock_guard<std::mutex> lock(clipboard.lock);
        clipboard.started = true;
        clipboard.port = port;
        clipboard.callback = callback;
        clipboard.context = context;
    }
    server_manager_add(port, onAccept, onReadable);
}

void clipboard_host_clip_data(QString text)
{
    if (!started())
        return;
    const QByteArray bytes = text.toUtf8();
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
    clipboard.connection.close();
    server_manager_remove(port);
}
