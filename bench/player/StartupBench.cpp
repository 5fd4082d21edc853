#include "StartupBench.h"

#include "Figures.h"
#include "MapWatcher.h"
#include "PlayerSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

namespace {

constexpr int kTimeoutMs = 60000;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int StartupBench::run(int runs)
{
    QList<double> baseline, bare, first, main, guest;
    for (int i = 0; i < runs; ++i) {
        double b = 0, n = 0, f = 0, m = 0, g = 0;
        if (!baselineRun(b, false) || !baselineRun(n, true) || !playerRun(i, f, m, g))
            return 1;
        baseline << b;
        bare << n;
        first << f;
        main << m;
        guest << g;
        std::printf("run %d: baseline window %.1f ms (without GLX %.1f ms); player first window %.1f ms, "
                    "main window %.1f ms, guest shown %.1f ms\n",
                    i + 1, b, n, f, m, g);
        std::fflush(stdout);
    }
    std::printf("\nstart-up, from process start (guest boot delay 0):\n");
    std::printf("  baseline: minimal Qt Widgets window mapped   %s\n", qPrintable(figures::timing(baseline)));
    std::printf("  (the same without Qt's GLX integration       %s)\n", qPrintable(figures::timing(bare)));
    std::printf("  player:   first top-level window mapped      %s\n", qPrintable(figures::timing(first)));
    std::printf("  player:   main window (\"Pellow\") mapped      %s\n", qPrintable(figures::timing(main)));
    std::printf("  player:   guest shown (log line)             %s\n", qPrintable(figures::timing(guest)));
    const double yardstick = qMax(0.001, figures::median(baseline));
    std::printf("  player main window / baseline window: %.2f x (medians)\n", figures::median(main) / yardstick);
    std::printf("  player guest shown / baseline window: %.2f x (medians)\n", figures::median(guest) / yardstick);
    return 0;
}

bool StartupBench::baselineRun(double &mappedMs, bool withoutGlx)
{
    MapWatcher watcher(m_session.x().display());
    if (!watcher.ok())
        return false;
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (withoutGlx)
        environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
    else
        environment.remove(QStringLiteral("QT_XCB_GL_INTEGRATION"));
    program.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--baseline-window")});
    const qint64 pid = program.waitForStarted(10000) ? program.processId() : 0;
    const bool mapped = pid != 0 && watcher.wait(kTimeoutMs, [&](const MapWatcher::Mapped &window) {
        if (window.pid != pid)
            return false;
        mappedMs = msSince(timer);
        return true;
    });
    program.terminate();
    program.waitForFinished(10000);
    if (!mapped)
        std::fprintf(stderr, "the baseline window was not mapped\n");
    return mapped;
}

bool StartupBench::playerRun(int index, double &firstMs, double &mainMs, double &guestMs)
{
    MapWatcher watcher(m_session.x().display());
    if (!watcher.ok())
        return false;
    firstMs = mainMs = guestMs = -1;
    QElapsedTimer timer;
    timer.start();
    if (!m_session.start(QStringLiteral("startup-%1.log").arg(index + 1)))
        return false;
    const qint64 pid = m_session.pid();
    const auto onMap = [&](const MapWatcher::Mapped &window) {
        if (window.pid != pid)
            return false;
        if (firstMs < 0)
            firstMs = msSince(timer);
        if (mainMs < 0 && window.name.startsWith(QLatin1String("Pellow")))
            mainMs = msSince(timer);
        return false;
    };
    while (timer.elapsed() < kTimeoutMs && (mainMs < 0 || guestMs < 0)) {
        watcher.wait(5, onMap);
        if (guestMs < 0 && m_session.guestShown())
            guestMs = msSince(timer);
    }
    const bool complete = mainMs >= 0 && guestMs >= 0;
    if (!complete)
        std::fprintf(stderr, "run %d incomplete; player log:\n%s\n", index + 1, qPrintable(m_session.log().right(3000)));
    const int exitCode = m_session.close();
    if (exitCode != 0)
        std::fprintf(stderr, "the player ended with %d; log:\n%s\n", exitCode, qPrintable(m_session.log().right(3000)));
    return complete && exitCode == 0;
}
