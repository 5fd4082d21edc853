#pragma once

#include <string>

namespace renderer {

// Starts asking the helper program tavenor-glinfo beside the library for
// the host's OpenGL renderer name, in the background, once per process: the
// name is then ready by the time the player asks for it.
void startGraphicsCardLookup();

// The helper's answer (waiting for it if it is still being made), else the
// first graphics adapter's driver and PCI id under drmRoot, else "unknown".
// Any thread.
std::string graphicsCardName(const std::string &drmRoot = "/sys/class/drm");

// "<driver> (<vendor:device>)" of the first DRM card under drmRoot, or as
// much of it as is known; empty without one.
std::string adapterNameFromSysfs(const std::string &drmRoot);

} // namespace renderer
