#include "log_capture.h"

#include "wait.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace service_test {

namespace {

std::mutex g_lock;
std::vector<std::string> g_lines;

void handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    const std::string line = message.toStdString();
    std::fprintf(stderr, "log: %s\n", line.c_str());
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.push_back(line);
}

} // namespace

void LogCapture::install()
{
    static const bool installed = [] {
        qInstallMessageHandler(handler);
        return true;
    }();
    (void)installed;
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.clear();
}

int LogCapture::count(const std::string &text)
{
    std::lock_guard<std::mutex> lock(g_lock);
    return static_cast<int>(
        std::count_if(g_lines.begin(), g_lines.end(), [&text](const std::string &line) {
            return line.find(text) != std::string::npos;
        }));
}

bool LogCapture::waitFor(const std::string &text, std::chrono::milliseconds timeout)
{
    return waitForCount(text, 1, timeout);
}

bool LogCapture::waitForCount(const std::string &text, int n, std::chrono::milliseconds timeout)
{
    return waitUntil([&] { return count(text) >= n; }, timeout);
}

std::string LogCapture::dump()
{
    std::lock_guard<std::mutex> lock(g_lock);
    std::string all;
    for (const std::string &line : g_lines)
        all += line + "\n";
    return all;
}

} // namespace service_test
