#include "DisplayBench.h"
#include "MemoryBench.h"
#include "PlayerSession.h"
#include "SoakBench.h"
#include "StartupBench.h"
#include "driver/XSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

// The whole player program, as a user runs it, on the simulated guest:
//
//   bench_player startup [RUNS]     start-up times against a minimal Qt window
//   bench_player memory             memory without and with the location picker
//   bench_player display [SECONDS] [RUNS]
//                                   CPU and painted frames while the guest streams
//   bench_player soak [SECONDS] [--inputs N] [--clipboard N] [--recordings N]
//                     [--captures N] [--reconnects N]
//
// The bench starts a private Xvfb and runs itself again on it, with a
// private HOME and XDG folders, so that the player sees nothing of the
// user's own settings. It holds the fixed guest-service ports while it runs.
namespace {

int usage()
{
    std::fprintf(stderr, "usage: bench_player startup [RUNS] | memory | display [SECONDS] [RUNS] | soak [SECONDS] "
                         "[--inputs N] [--clipboard N] [--recordings N] [--captures N] [--reconnects N]\n");
    return 2;
}

// The baseline of the start-up figures: the least a Qt Widgets program does
// to show a window.
int baselineWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("baseline"));
    window.resize(1280, 804);
    window.show();
    return QApplication::exec();
}

bool parsePlan(const QStringList &arguments, SoakBench::Plan &plan)
{
    int i = 0;
    if (i < arguments.size() && !arguments[i].startsWith(QLatin1String("--")))
        plan.seconds = arguments[i++].toInt();
    for (; i + 1 < arguments.size(); i += 2) {
        const QString &name = arguments[i];
        const int value = arguments[i + 1].toInt();
        if (name == QLatin1String("--inputs"))
            plan.inputs = value;
        else if (name == QLatin1String("--clipboard"))
            plan.clipboards = value;
        else if (name == QLatin1String("--recordings"))
            plan.recordings = value;
        else if (name == QLatin1String("--captures"))
            plan.captures = value;
        else if (name == QLatin1String("--reconnects"))
            plan.reconnects = value;
        else
            return false;
    }
    return i == arguments.size() && plan.seconds > 0;
}

// Other work on the machine moves every figure: the load is printed before
// and after each mode.
void printLoad(const char *when)
{
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        std::printf("load average %s: %s\n", when, loadAverage.readAll().trimmed().constData());
}

int runMode(PlayerSession &session, const QStringList &arguments)
{
    const QString mode = arguments.value(0);
    if (mode == QLatin1String("startup"))
        return StartupBench(session).run(qMax(1, arguments.value(1, QStringLiteral("5")).toInt()));
    if (mode == QLatin1String("memory"))
        return MemoryBench(session).run();
    if (mode == QLatin1String("display"))
        return DisplayBench(session).run(qMax(1, arguments.value(1, QStringLiteral("10")).toInt()),
                                         qMax(1, arguments.value(2, QStringLiteral("1")).toInt()));
    SoakBench::Plan plan;
    if (mode == QLatin1String("soak") && parsePlan(arguments.mid(1), plan))
        return SoakBench(session).run(plan);
    return usage();
}

// On the private display, as a Qt GUI program: the bench's clipboard is an
// X client of its own there.
int inner(int argc, char **argv)
{
    QApplication app(argc, argv);
    PlayerSession session(QDir::tempPath() + QStringLiteral("/bench-player"));
    if (!session.prepare()) {
        std::fprintf(stderr, "cannot prepare the instance (is the player built beside the bench?)\n");
        return 1;
    }
    printLoad("before");
    const int result = runMode(session, QApplication::arguments().mid(2));
    printLoad("after");
    return result;
}

// A private X server and private folders, and the bench again inside them.
int outer(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    XSession x;
    if (!root.isValid() || !x.start()) {
        std::fprintf(stderr, "no private X server\n");
        return 1;
    }
    QProcessEnvironment environment = x.environment();
    const struct
    {
        const char *variable;
        const char *folder;
    } folders[] = {{"HOME", "home"},           {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}, {"TMPDIR", "tmp"}};
    for (const auto &folder : folders) {
        const QString path = root.path() + QLatin1Char('/') + QLatin1String(folder.folder);
        QDir().mkpath(path);
        environment.insert(QLatin1String(folder.variable), path);
    }
    QFile(root.path() + QStringLiteral("/runtime")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                   | QFileDevice::ExeOwner);
    QProcess bench;
    bench.setProcessEnvironment(environment);
    bench.setProcessChannelMode(QProcess::ForwardedChannels);
    bench.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--inner")} + QCoreApplication::arguments().mid(1));
    bench.waitForFinished(-1);
    return bench.exitStatus() == QProcess::NormalExit ? bench.exitCode() : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (first == QLatin1String("--baseline-window"))
        return baselineWindow(argc, argv);
    if (first == QLatin1String("--inner"))
        return inner(argc, argv);
    const QStringList modes{QStringLiteral("startup"), QStringLiteral("memory"), QStringLiteral("display"),
                            QStringLiteral("soak")};
    if (!modes.contains(first))
        return usage();
    return outer(argc, argv);
}
