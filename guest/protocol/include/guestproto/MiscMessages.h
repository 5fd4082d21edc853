#pragma once

// What the host sends to the guest on the misc connection: engine and shake
// commands, GPS, and install requests.

#include <cstdint>
#include <string>
#include <variant>

namespace guest {

struct Shake {
};

struct EngineEnable {
    std::int32_t enabled = 0;
};

struct ShowEngineEditor {
};

struct GpsEnable {
    bool on = false;
};

// Five decimal numbers separated by commas: longitude, latitude and three more.
struct GpsFix {
    std::string text;
};

// Install the named file from the host folder shared as "apk".
struct InstallRequest {
    std::string file;
};

using MiscMessage =
    std::variant<Shake, EngineEnable, ShowEngineEditor, GpsEnable, GpsFix, InstallRequest>;

// The event-log type: "shake", "engine_enable", "engine_editor",
// "gps_enable", "gps_fix" or "install".
const char *eventType(const MiscMessage &message);

bool operator==(const Shake &a, const Shake &b);
bool operator==(const EngineEnable &a, const EngineEnable &b);
bool operator==(const ShowEngineEditor &a, const ShowEngineEditor &b);
bool operator==(const GpsEnable &a, const GpsEnable &b);
bool operator==(const GpsFix &a, const GpsFix &b);
bool operator==(const InstallRequest &a, const InstallRequest &b);

} // namespace guest
