// Stands in for tavenor-guest in the VM service's tests: started with the
// machine's state folder, it writes its pid to "standin.pid", copies every
// new version of the properties file it reads to "standin.seen", and ends on
// SIGTERM (unless TAVENOR_STANDIN_IGNORE_TERM=1, to test the SIGKILL that
// follows).
#include "SimStateFormat.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> g_stop{false};

void onTerm(int)
{
    g_stop = true;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeAtomically(const std::string &path, const std::string &text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::rename(temporary.c_str(), path.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <state folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const char *ignore = std::getenv("TAVENOR_STANDIN_IGNORE_TERM");
    std::signal(SIGTERM, ignore && std::string(ignore) == "1" ? SIG_IGN : onTerm);
    writeAtomically(folder + "/standin.pid", std::to_string(getpid()) + "\n");
    std::printf("guest standin started %s\n", folder.c_str());
    std::fflush(stdout);

    std::string lastProperties;
    bool first = true;
    while (!g_stop) {
        const std::string properties = readFile(folder + "/" + simstate::kPropertiesFile);
        if (first || properties != lastProperties) {
            writeAtomically(folder + "/standin.seen", simstate::formatEntries(simstate::parseEntries(properties)));
            lastProperties = properties;
            first = false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::printf("guest standin stopped\n");
    return 0;
}
