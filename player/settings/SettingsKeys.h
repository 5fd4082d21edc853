#pragma once

#include <array>

// Every key of the two settings stores, spelled once. Keys are matched
// without regard to case (SettingsStore folds them), so the spelling here is
// only the conventional one.
namespace SettingsKeys {

// The seventeen keys the settings dialog reads and writes (instance store).
inline constexpr char kPerformance[] = "performance";
inline constexpr char kCpu[] = "cpu";
inline constexpr char kMemory[] = "memory";
inline constexpr char kGraphics[] = "graphics";
inline constexpr char kGraphicsWidth[] = "graphics_width";
inline constexpr char kGraphicsHeight[] = "graphics_height";
inline constexpr char kGraphicsDpi[] = "graphics_dpi";
inline constexpr char kGraphicsWidthRecent[] = "graphics_width_recent";
inline constexpr char kGraphicsHeightRecent[] = "graphics_height_recent";
inline constexpr char kBrand[] = "brand";
inline constexpr char kModel[] = "model";
inline constexpr char kNumber[] = "number";
inline constexpr char kImei[] = "imei";
inline constexpr char kSharedFolder[] = "shared_folder";
inline constexpr char kScreenCap[] = "screencap";
inline constexpr char kScreenRecord[] = "screenrecord";
inline constexpr char kBossKey[] = "bosskey";

inline constexpr std::array<const char *, 17> kDialogKeys = {
    kPerformance, kCpu, kMemory, kGraphics, kGraphicsWidth, kGraphicsHeight,
    kGraphicsDpi, kGraphicsWidthRecent, kGraphicsHeightRecent, kBrand, kModel,
    kNumber, kImei, kSharedFolder, kScreenCap, kScreenRecord, kBossKey,
};

// Main window geometry (instance store).
inline constexpr char kPos[] = "pos";
inline constexpr char kHeight[] = "height";

// What Restore removes, in the order it removes them: the next start runs
// from defaults, while the "_recent" keys, the map location and the shared
// keys survive.
inline constexpr std::array<const char *, 17> kRestoreKeys = {
    kPerformance, kCpu, kMemory, kGraphics, kGraphicsWidth, kGraphicsHeight,
    kGraphicsDpi, kBrand, kModel, kNumber, kImei, kSharedFolder, kScreenCap,
    kScreenRecord, kBossKey, kHeight, kPos,
};

// Last location picked on the map (instance store); also the names of the
// guest properties that carry it.
inline constexpr char kGpsLongitude[] = "tavenor.gps.longitude";
inline constexpr char kGpsLatitude[] = "tavenor.gps.latitude";

// Which VM engine runs this instance (instance store): "simulator" or
// "virtualbox".
inline constexpr char kEngine[] = "engine";

// Shared store (organisation "corvane", application "tavenor").
inline constexpr char kSplashVersion[] = "splashVersion";
inline constexpr char kHelpTextColor[] = "helpTextColor";
inline constexpr char kSplashBgStrech[] = "splashBgStrech";
inline constexpr char kDataPath[] = "data_path";
inline constexpr char kServiceUrl[] = "service_url";
// The map tiles of the location picker: a URL template with {z}, {x}, {y}
// (and optionally {s}) placeholders.
inline constexpr char kMapTileUrl[] = "map_tile_url";

} // namespace SettingsKeys
