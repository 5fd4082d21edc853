#pragma once

#include <QSize>

#include <optional>

class SettingsStore;

struct GuestResolution
{
    int width;
    int height;
    int dpi;
};

// The size the guest gets when the settings give none: 80% of the
// desktop's height at 16:9.
QSize screenDerivedSize(int desktopHeight);

// The fixed sizes of "graphics": 1 800x600, 2 1280x720, 3 1440x900,
// 4 1920x1080. Custom (0) and any other value have none.
std::optional<QSize> graphicsPresetSize(int graphics);

// What the guest is started with, from "graphics" (and, under Custom,
// "graphics_width", "graphics_height" and "graphics_dpi") of the instance
// store. desktopHeight is the height of the desktop's default screen area.
GuestResolution resolveGuestResolution(const SettingsStore &store, int desktopHeight);
