#include "settings/ResolutionRule.h"

#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDebug>

namespace {
constexpr int kCustom = 0;
} // namespace

QSize screenDerivedSize(int desktopHeight)
{
    // The precisions are part of the rule: double for the height, single
    // for the width, both truncated.
    const int height = static_cast<int>(desktopHeight * 0.8);
    const int width = static_cast<int>(static_cast<float>(height) * 1.7777778f);
    return {width, height};
}

std::optional<QSize> graphicsPresetSize(int graphics)
{
    switch (graphics) {
    case 1: return QSize(800, 600);
    case 2: return QSize(1280, 720);
    case 3: return QSize(1440, 900);
    case 4: return QSize(1920, 1080);
    default: return std::nullopt;
    }
}

GuestResolution resolveGuestResolution(const SettingsStore &store, int desktopHeight)
{
    int dpi = SettingsDefaults::kDpi;
    const std::optional<int> graphics = store.validInt(SettingsKeys::kGraphics);
    if (graphics) {
        if (const auto preset = graphicsPresetSize(*graphics))
            return {preset->width(), preset->height(), dpi};
        if (*graphics == kCustom) {
            const int width = store.intValue(SettingsKeys::kGraphicsWidth, 0);
            const int height = store.intValue(SettingsKeys::kGraphicsHeight, 0);
            dpi = store.intValue(SettingsKeys::kGraphicsDpi, SettingsDefaults::kDpi);
            // A hand-edited negative size is as unusable as a missing one.
            if (width > 0 && height > 0)
                return {width, height, dpi};
        }
    }
    const QSize size = screenDerivedSize(desktopHeight);
    qDebug() << "use default width" << size.width() << "height" << size.height();
    return {size.width(), size.height(), dpi};
}
