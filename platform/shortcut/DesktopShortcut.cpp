#include "DesktopShortcut.h"

#include <atomic>

namespace {

std::atomic<bool> g_offered{true};

} // namespace

bool desktopOffersShortcuts()
{
    return g_offered;
}

void setDesktopOffersShortcuts(bool offered)
{
    g_offered = offered;
}
