#include "app/InstanceGuard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
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

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-guard") == 0)
        return holdGuard(argv[2]);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
