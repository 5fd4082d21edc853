#include <service/vinput.h>

#include "current_connection.h"
#include "server_manager_internal.h"
#include "wire.h"

#include <service/server_manager.h>

#include <atomic>

namespace service {

namespace {

constexpr int kGuestWidth = 1280;
constexpr int kGuestHeight = 720;

enum Command {
    kKey = 1,
    kTouch = 2,
    kWheel = 3,
    kTouchConfig = 4,
    kMouseOffset = 6,
    kMouseLeftButton = 7,
    kMouseRightButton = 8,
    kZoom = 9,
};

struct VirtualInput
{
    CurrentConnection connection;
    std::atomic<int> port{0};
    std::atomic<int> windowWidth{0};
    std::atomic<int> windowHeight{0};
    std::atomic<int> orientation{0};
};

VirtualInput &state()
{
    static VirtualInput *const instance = new VirtualInput;
    return *instance;
}

struct GuestPoint
{
    int x;
    int y;
};

// trunc(value * guest / window + 0.5) in single precision, as the guest's
// input agent was calibrated against.
int scale(int value, int guest, int window)
{
    const auto product = static_cast<float>(static_cast<long long>(value) * guest);
    return static_cast<int>(product / static_cast<float>(window) + 0.5f);
}

GuestPoint toGuest(int x, int y)
{
    VirtualInput &input = state();
    int width = input.windowWidth.load();
    int height = input.windowHeight.load();
    if (width == 0)
        width = kGuestWidth;
    if (height == 0)
        height = kGuestHeight;
    if (input.orientation.load() == 1)
        return {scale(y, kGuestWidth, height), kGuestHeight - scale(x, kGuestHeight, width)};
    return {scale(x, kGuestWidth, width), scale(y, kGuestHeight, height)};
}

template <typename... Ints> void send(int command, Ints... fields)
{
    state().connection.post(wire::ints(command, static_cast<int>(4 * sizeof...(Ints)), fields...));
}

int onAccept(int handle)
{
    const auto config = wire::ints(kTouchConfig, 8, kGuestWidth, kGuestHeight);
    const int previous =
        state().connection.replace(handle, config.data(), static_cast<int>(config.size()));
    return previous < 0 ? -1 : 0;
}

// Nothing is read on this connection: whatever the guest sends, or its
// closing, ends the watching of it.
int onReadable(int)
{
    return 0;
}

} // namespace

} // namespace service

using namespace service;

extern "C" {

void vinput_start(int port)
{
    onServerManagerCleanup(vinput_stop);
    state().port.store(port);
    server_manager_add(port, onAccept, onReadable);
}

void vinput_stop(void)
{
    state().connection.close();
}

int vinput_ready(void)
{
    return state().connection.handle() > 0 ? 1 : 0;
}

void vinput_set_resolution(int, int) {}

void vinput_set_window_size(int width, int height)
{
    state().windowWidth.store(width);
    state().windowHeight.store(height);
}

void vinput_set_orientation(int orientation)
{
    state().orientation.store(orientation);
}

void vinput_config_touch(int width, int height)
{
    send(kTouchConfig, width, height);
}

void vinput_inject_key(int scanCode, int action, int third)
{
    send(kKey, scanCode, action, third);
}

void vinput_inject_motion(int x, int y, int contact, int action)
{
    const GuestPoint point = toGuest(x, y);
    send(kTouch, point.x, point.y, contact, action);
}

void vinput_inject_wheel(int horizontal, int vertical, int x, int y)
{
    const GuestPoint point = toGuest(x, y);
    send(kWheel, horizontal, vertical, point.x, point.y);
}

void vinput_mouse_offset(int dx, int dy)
{
    send(kMouseOffset, dx, dy);
}

void vinput_mouse_left_button(int action)
{
    send(kMouseLeftButton, action);
}

void vinput_mouse_right_button(int first, int second)
{
    send(kMouseRightButton, first, second);
}

void vinput_zoom(int x, int y, int step)
{
    const GuestPoint point = toGuest(x, y);
    send(kZoom, point.x, point.y, step);
}

} // extern "C"
