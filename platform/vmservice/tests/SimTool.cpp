// A second process for the simulated engine's tests. Runs VM service calls
// given on the command line, in order, on the simulated engine, and prints
// one line per call: the call's name and its result.
//   open <path> | find <name> | remove <name> | start | stop
//   setprop <name> <value> | share <name> <host path> | hasshare <name>
//   cpumem <count> <MB>
#include "VMService.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void print(const char *call, int result)
{
    std::printf("%s %d\n", call, result);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    VMService::selectEngine(VMService::Engine::Simulator);
    VMService *vm = VMService::getVMService();
    for (int i = 1; i < argc; ++i) {
        const std::string call = argv[i];
        const auto next = [&]() { return i + 1 < argc ? QString::fromLocal8Bit(argv[++i]) : QString(); };
        if (call == "open") {
            print("open", vm->openMachine(next()));
        } else if (call == "find") {
            print("find", vm->findMachine(next()));
        } else if (call == "remove") {
            print("remove", vm->removeMachine(next()));
        } else if (call == "start") {
            print("start", vm->start());
        } else if (call == "stop") {
            print("stop", vm->stop());
        } else if (call == "setprop") {
            const QString name = next();
            vm->setGuestProperty(name, next());
            print("setprop", 0);
        } else if (call == "share") {
            const QString name = next();
            print("share", vm->createSharedFolder(name, next()));
        } else if (call == "hasshare") {
            print("hasshare", vm->hasSharedFolder(next()));
        } else if (call == "cpumem") {
            const int cpus = next().toInt();
            vm->setCpuAndMemory(cpus, next().toInt());
            print("cpumem", 0);
        } else {
            std::fprintf(stderr, "unknown call %s\n", call.c_str());
            return 2;
        }
    }
    VMService::releaseVMService();
    return 0;
}
