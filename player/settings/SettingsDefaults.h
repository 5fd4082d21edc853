#pragma once

// Defaults applied by the readers of the settings stores when a key is
// absent. Defaults derived from the host or the screen are computed by the
// performance and resolution rules instead.
namespace SettingsDefaults {

inline constexpr int kDpi = 240;

inline constexpr char kBrand[] = "Samsung";
inline constexpr char kModel[] = "SM-G9250";
inline constexpr char kNumber[] = "18000000001";

// The dialog and the main window spell the same default differently; the
// key-sequence parser accepts both.
inline constexpr char kDialogBossKey[] = "Ctrl+Alt+X";
inline constexpr char kWindowBossKey[] = "ctrl+alt+x";

inline constexpr char kEngineSimulator[] = "simulator";
inline constexpr char kEngineVirtualBox[] = "virtualbox";

// The vendor's web service. The reserved ".example" domain never resolves:
// installations that report somewhere set "service_url" in the shared store.
inline constexpr char kServiceUrl[] = "https://service.corvane.example";
// OpenStreetMap's public tile server; heavy users should set their own in
// "map_tile_url" of the shared store.
inline constexpr char kMapTileUrl[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";

} // namespace SettingsDefaults
