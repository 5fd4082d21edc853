#pragma once

// What the host's virtual input service sends to the guest. Positions are in
// the guest's 1280 x 720 input frame. Field names follow the guest's event log.

#include <cstdint>
#include <variant>

namespace guest {

struct KeyInput {
    std::int32_t scan = 0;
    std::int32_t action = 0; // 0 down, 1 up
    std::int32_t extra = 0;
};

struct TouchInput {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t contact = 0;
    std::int32_t action = 0; // 0 down, 1 up, 2 move
};

struct WheelInput {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct TouchConfig {
    std::int32_t w = 0;
    std::int32_t h = 0;
};

struct MouseOffset {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};

struct MouseLeftButton {
    std::int32_t action = 0; // 0 down, 1 up
};

struct MouseRightButton {
    std::int32_t a = 0;
    std::int32_t b = 0; // the host sends a = 1 and the new mouse-lock state
};

struct ZoomInput {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t step = 0; // +20 in, -20 out, 0 ends the zoom
};

using VirtualInputMessage = std::variant<KeyInput, TouchInput, WheelInput, TouchConfig,
                                         MouseOffset, MouseLeftButton, MouseRightButton, ZoomInput>;

// The event-log type: "key", "touch", "wheel", "config", "mouse_offset",
// "mouse_left", "mouse_right" or "zoom".
const char *eventType(const VirtualInputMessage &message);

bool operator==(const KeyInput &a, const KeyInput &b);
bool operator==(const TouchInput &a, const TouchInput &b);
bool operator==(const WheelInput &a, const WheelInput &b);
bool operator==(const TouchConfig &a, const TouchConfig &b);
bool operator==(const MouseOffset &a, const MouseOffset &b);
bool operator==(const MouseLeftButton &a, const MouseLeftButton &b);
bool operator==(const MouseRightButton &a, const MouseRightButton &b);
bool operator==(const ZoomInput &a, const ZoomInput &b);

} // namespace guest
