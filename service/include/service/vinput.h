#pragma once

// Virtual input: keys, touches, wheel, mouse and zoom for the guest's input
// agent. Positions are host window coordinates, mapped to the guest's
// 1280 x 720 input frame. Nothing blocks the caller: messages of the input
// connection go out in call order, at once while the connection is idle,
// otherwise from a writer of their own.

#include <service/export.h>

SERVICE_C_BEGIN

SERVICE_EXPORT void vinput_start(int port);
SERVICE_EXPORT void vinput_stop(void);
SERVICE_EXPORT int vinput_ready(void);
SERVICE_EXPORT void vinput_set_resolution(int width, int height);
SERVICE_EXPORT void vinput_set_window_size(int width, int height);
SERVICE_EXPORT void vinput_set_orientation(int orientation);
SERVICE_EXPORT void vinput_config_touch(int width, int height);
SERVICE_EXPORT void vinput_inject_key(int scanCode, int action, int third);
SERVICE_EXPORT void vinput_inject_motion(int x, int y, int contact, int action);
SERVICE_EXPORT void vinput_inject_wheel(int horizontal, int vertical, int x, int y);
SERVICE_EXPORT void vinput_mouse_offset(int dx, int dy);
SERVICE_EXPORT void vinput_mouse_left_button(int action);
SERVICE_EXPORT void vinput_mouse_right_button(int first, int second);
SERVICE_EXPORT void vinput_zoom(int x, int y, int step);

// The guest scan code of a Qt key code, 0 when the key has none.
SERVICE_EXPORT int get_scan_code(int qtKey);

SERVICE_C_END
