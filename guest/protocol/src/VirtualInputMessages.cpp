#include <guestproto/VirtualInputMessages.h>

#include <iterator>

namespace guest {

const char *eventType(const VirtualInputMessage &message)
{
    static constexpr const char *kNames[] = {"key",          "touch",      "wheel",       "config",
                                             "mouse_offset", "mouse_left", "mouse_right", "zoom"};
    static_assert(std::size(kNames) == std::variant_size_v<VirtualInputMessage>);
    return kNames[message.index()];
}

bool operator==(const KeyInput &a, const KeyInput &b)
{
    return a.scan == b.scan && a.action == b.action && a.extra == b.extra;
}

bool operator==(const TouchInput &a, const TouchInput &b)
{
    return a.x == b.x && a.y == b.y && a.contact == b.contact && a.action == b.action;
}

bool operator==(const WheelInput &a, const WheelInput &b)
{
    return a.dx == b.dx && a.dy == b.dy && a.x == b.x && a.y == b.y;
}

bool operator==(const TouchConfig &a, const TouchConfig &b)
{
    return a.w == b.w && a.h == b.h;
}

bool operator==(const MouseOffset &a, const MouseOffset &b)
{
    return a.dx == b.dx && a.dy == b.dy;
}

bool operator==(const MouseLeftButton &a, const MouseLeftButton &b)
{
    return a.action == b.action;
}

bool operator==(const MouseRightButton &a, const MouseRightButton &b)
{
    return a.a == b.a && a.b == b.b;
}

bool operator==(const ZoomInput &a, const ZoomInput &b)
{
    return a.x == b.x && a.y == b.y && a.step == b.step;
}

} // namespace guest
