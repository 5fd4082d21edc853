#include "app/DisplayLoss.h"
#include "app/InstanceGuard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Claims the name, tells the parent test how that went, and waits to be
// killed.
int holdGuard(const char *name)
{
    InstanceGuard guard(QString::fromUtf8(name));
    const bool held = guard.tryToRun();
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    if (!held)
        return 1;
    for (;;)
        QThread::sleep(60);
}

// Says its destruction, which exit() would bring about.
struct DestructionWitness
{
    ~DestructionWitness() { std::fputs("static destroyed\n", stderr); }
};

// Gives message as Qt's xcb plugin does on a lost display: a message of the
// type, then exit(). How the process ends is the parent test's to check.
int loseDisplay(const char *type, const char *message)
{
    static const DestructionWitness witness;
    endAtOnceWhenDisplayLost();
    if (std::strcmp(type, "warning") == 0)
        qWarning("%s", message);
    else
        qDebug("%s", message);
    std::exit(3);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-guard") == 0)
        return holdGuard(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--lose-display") == 0)
        return loseDisplay(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
