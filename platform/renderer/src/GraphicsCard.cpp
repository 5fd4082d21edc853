#include "GraphicsCard.h"

#include "LibraryFolder.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

namespace renderer {
namespace {

constexpr int kHelperTimeoutMs = 5000;
constexpr int kKilledHelperMs = 500;

// From tavenor-glinfo: the driver it loads goes away with it.
std::string openGLRendererName()
{
    // Beside this library (or the program it is built into).
    const QString folder = libraryFolder();
    const QString helper =
        folder.isEmpty() ? QString() : QStandardPaths::findExecutable(QStringLiteral("tavenor-glinfo"), {folder});
    if (helper.isEmpty())
        return {};
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(helper, QStringList());
    if (!process.waitForFinished(kHelperTimeoutMs)) {
        process.kill();
        process.waitForFinished(kKilledHelperMs);
        return {};
    }
    return process.readAllStandardOutput().split('\n').value(0).trimmed().toStdString();
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

// Making a GL context is slow: the helper runs once per process, on a
// thread of its own, and the name it gave holds for the process.
const std::shared_future<std::string> &openGLRendererAnswer()
{
    static const std::shared_future<std::string> answer = std::async(std::launch::async, openGLRendererName).share();
    return answer;
}

void startGraphicsCardLookup()
{
    openGLRendererAnswer();
}

std::string graphicsCardName(const std::string &drmRoot)
{
    const std::shared_future<std::string> &answer = openGLRendererAnswer();
    if (answer.wait_for(std::chrono::milliseconds(kHelperTimeoutMs)) == std::future_status::ready &&
        !answer.get().empty())
        return answer.get();
    std::string adapter = adapterNameFromSysfs(drmRoot);
    return adapter.empty() ? "unknown" : adapter;
}

} // namespace renderer
