#pragma once

#include <string>

namespace renderer {

// The host's OpenGL renderer name, as the helper program tavenor-glinfo
// beside the library finds it (once per process), else the first graphics
// adapter's driver and PCI id under drmRoot, else "unknown". Any thread.
std::string graphicsCardName(const std::string &drmRoot = "/sys/class/drm");

// "<driver> (<vendor:device>)" of the first DRM card under drmRoot, or as
// much of it as is known; empty without one.
std::string adapterNameFromSysfs(const std::string &drmRoot);

} // namespace renderer
