#include "GraphicsCard.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace renderer {
namespace {

std::string openGLRendererName()
{
    if (!qGuiApp || QThread::currentThread() != qGuiApp->thread())
        return {};
    QOpenGLContext context;
    if (!context.create())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return {};
    const auto *name =
        reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    std::string result = name ? name : "";
    context.doneCurrent();
    return result;
}

// "card0", "card1", ...: the adapters; "card0-HDMI-A-1" and the like are
// their connectors.
bool isCardEntry(const std::string &name)
{
    return name.size() > 4 && name.compare(0, 4, "card") == 0 &&
           std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ueventValue(const std::filesystem::path &uevent, const std::string &key)
{
    std::ifstream in(uevent);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=')
            return line.substr(key.size() + 1);
    }
    return {};
}

std::string describeCard(const std::filesystem::path &card)
{
    const std::filesystem::path uevent = card / "device" / "uevent";
    const std::string driver = ueventValue(uevent, "DRIVER");
    const std::string pciId = ueventValue(uevent, "PCI_ID");
    if (driver.empty())
        return pciId;
    return pciId.empty() ? driver : driver + " (" + pciId + ")";
}

} // namespace

std::string adapterNameFromSysfs(const std::string &drmRoot)
{
    std::error_code error;
    std::vector<std::string> cards;
    for (std::filesystem::directory_iterator it(drmRoot, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (isCardEntry(name))
            cards.push_back(name);
    }
    std::sort(cards.begin(), cards.end(), [](const std::string &a, const std::string &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const std::string &card : cards) {
        std::string name = describeCard(std::filesystem::path(drmRoot) / card);
        if (!name.empty())
            return name;
    }
    return {};
}

std::string graphicsCardName(const std::string &drmRoot)
{
    // Making a GL context is slow: the first name found holds for the process.
    static std::mutex mutex;
    static std::string openGLName;
    std::lock_guard<std::mutex> lock(mutex);
    if (openGLName.empty())
        openGLName = openGLRendererName();
    if (!openGLName.empty())
        return openGLName;
    std::string adapter = adapterNameFromSysfs(drmRoot);
    return adapter.empty() ? "unknown" : adapter;
}

} // namespace renderer
