#pragma once

#include <string>

namespace renderer {

// The host's OpenGL renderer name when a context can be made here (on the
// GUI thread of a running QGuiApplication), else the first graphics
// adapter's driver and PCI id under drmRoot, else "unknown".
std::string graphicsCardName(const std::string &drmRoot = "/sys/class/drm");

// "<driver> (<vendor:device>)" of the first DRM card under drmRoot, or as
// much of it as is known; empty without one.
std::string adapterNameFromSysfs(const std::string &drmRoot);

} // namespace renderer
