#include <guestproto/MiscMessages.h>

#include <iterator>

namespace guest {

const char *eventType(const MiscMessage &message)
{
    static constexpr const char *kNames[] = {"shake",      "engine_enable", "engine_editor",
                                             "gps_enable", "gps_fix",       "install"};
    static_assert(std::size(kNames) == std::variant_size_v<MiscMessage>);
    return kNames[message.index()];
}

bool operator==(const Shake &, const Shake &)
{
    return true;
}

bool operator==(const EngineEnable &a, const EngineEnable &b)
{
    return a.enabled == b.enabled;
}

bool operator==(const ShowEngineEditor &, const ShowEngineEditor &)
{
    return true;
}

bool operator==(const GpsEnable &a, const GpsEnable &b)
{
    return a.on == b.on;
}

bool operator==(const GpsFix &a, const GpsFix &b)
{
    return a.text == b.text;
}

bool operator==(const InstallRequest &a, const InstallRequest &b)
{
    return a.file == b.file;
}

} // namespace guest
