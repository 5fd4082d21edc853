#pragma once

// Collects the Qt debug log of the whole process so that tests can check
// the texts the library logs, from whichever thread logs them.

#include <QString>

#include <chrono>
#include <string>

namespace service_test {

class LogCapture
{
public:
    // Installs the message handler (once per process).
    static void install();
    static void clear();
    // Number of captured lines containing text.
    static int count(const std::string &text);
    // Waits until a captured line contains text.
    static bool waitFor(const std::string &text,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits until count(text) reaches at least n.
    static bool waitForCount(const std::string &text, int n,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Every line, for failure messages.
    static std::string dump();
};

} // namespace service_test
