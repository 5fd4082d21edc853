#pragma once

#include <QString>

#include <array>

// The tool bar's icon bases: each names base + "_normal", "_hover" and
// "_pressed", at ".png" and "@2x.png".
inline constexpr std::array<const char *, 10> kIconBases = {
    ":/resources/image/screencap_button",
    ":/resources/image/loc_button",
    ":/resources/image/shake_button",
    ":/resources/image/engine_button",
    ":/resources/image/record",
    ":/resources/image/back_button",
    ":/resources/image/home_button",
    ":/resources/image/recents_button",
    ":/resources/image/settings_button",
    ":/resources/image/help_button",
};

inline constexpr std::array<const char *, 3> kIconStates = {"_normal", "_hover", "_pressed"};

inline QString iconPath(const char *base, const char *state, bool doubleDensity)
{
    return QLatin1String(base) + QLatin1String(state)
        + QLatin1String(doubleDensity ? "@2x.png" : ".png");
}
