#include "DisplayBench.h"

#include "Figures.h"
#include "PaintCounter.h"
#include "PlayerSession.h"
#include "ProcessFigures.h"
#include "driver/Polling.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>

namespace {

// Before measuring: the first frames, then the start-up work settling.
constexpr int kWarmUpMs = 3000;

struct Sample
{
    qint64 playerCpuMs = 0;
    qint64 guestCpuMs = 0;
    qint64 paints = 0;
    qint64 atMs = 0;
};

Sample sample(PlayerSession &session, PaintCounter &counter, const QElapsedTimer &clock)
{
    Sample result;
    result.paints = counter.paints();
    result.playerCpuMs = ProcessFigures::of(session.pid()).cpuMs;
    result.guestCpuMs = ProcessFigures::of(session.guest().pid()).cpuMs;
    result.atMs = clock.elapsed();
    return result;
}

QString percent(double share)
{
    return QStringLiteral("%1 %").arg(share * 100.0, 0, 'f', 1);
}

} // namespace

int DisplayBench::run(int seconds, int runs)
{
    const Case cases[] = {{QSize(1280, 720), 30, 2}, {QSize(1280, 720), 60, 2},
                          {QSize(1920, 1080), 30, 4}, {QSize(1920, 1080), 60, 4}};
    std::printf("display: the simulated guest streaming, %d s per run, %d run(s) per case\n", seconds, runs);
    for (const Case &which : cases) {
        QList<double> player, guest, painted;
        QSize window;
        for (int i = 0; i < runs; ++i) {
            Figures figures;
            if (!measure(which, seconds, figures))
                return 1;
            player << figures.playerCpu;
            guest << figures.guestCpu;
            painted << figures.paintedFps;
            window = figures.painted;
            std::printf("  %dx%d at %d fps, run %d: player CPU %s of a core, painted %.1f fps; guest CPU %s\n",
                        which.frame.width(), which.frame.height(), which.fps, i + 1,
                        qPrintable(percent(figures.playerCpu)), figures.paintedFps,
                        qPrintable(percent(figures.guestCpu)));
            std::fflush(stdout);
        }
        std::printf("%dx%d at %d fps (display window %dx%d), medians: player CPU %s of a core, "
                    "painted %.1f fps; guest CPU %s (yardstick)\n",
                    which.frame.width(), which.frame.height(), which.fps, window.width(), window.height(),
                    qPrintable(percent(figures::median(player))), figures::median(painted),
                    qPrintable(percent(figures::median(guest))));
        std::fflush(stdout);
    }
    return 0;
}

bool DisplayBench::measure(const Case &which, int seconds, Figures &figures)
{
    SettingsStore store(QString::fromLatin1(PlayerSession::kInstance));
    store.setValue(SettingsKeys::kGraphics, which.graphicsPreset);
    // Each run starts at the guest's size, not where the last one was left.
    store.remove(SettingsKeys::kPos);
    store.remove(SettingsKeys::kHeight);
    store.sync();
    QProcessEnvironment guestStream;
    guestStream.insert(QStringLiteral("TAVENOR_GUEST_FPS"), QString::number(which.fps));
    guestStream.insert(QStringLiteral("TAVENOR_GUEST_FRAME_SIZE"),
                       QStringLiteral("%1x%2").arg(which.frame.width()).arg(which.frame.height()));
    PaintCounter counter(m_session.x().display());
    bool ok = counter.ok() && m_session.start(QStringLiteral("display.log"), guestStream)
              && m_session.waitUntilShown(60000, which.frame.width());
    ok = ok && waitFor([&] { return counter.watchDisplayBelow(m_session.window().toUInt()); }, 10000);
    ok = ok && waitFor([&] { return counter.paints() > 0; }, 10000);
    if (ok) {
        QTest::qWait(kWarmUpMs);
        QElapsedTimer clock;
        clock.start();
        const Sample start = sample(m_session, counter, clock);
        // Read as they come, so that the server never holds many for us.
        while (clock.elapsed() < seconds * 1000) {
            QTest::qWait(100);
            counter.paints();
        }
        const Sample end = sample(m_session, counter, clock);
        const double wallMs = double(end.atMs - start.atMs);
        figures.playerCpu = double(end.playerCpuMs - start.playerCpuMs) / wallMs;
        figures.guestCpu = double(end.guestCpuMs - start.guestCpuMs) / wallMs;
        figures.paintedFps = double(end.paints - start.paints) * 1000.0 / wallMs;
        figures.painted = counter.watchedSize();
    } else {
        std::fprintf(stderr, "the guest's display did not show (%s); log:\n%s\n",
                     counter.ok() ? "player" : "no DAMAGE extension", qPrintable(m_session.log().right(3000)));
    }
    const int exitCode = m_session.close();
    if (exitCode != 0)
        std::fprintf(stderr, "the player ended with %d\n", exitCode);
    return ok && exitCode == 0;
}
