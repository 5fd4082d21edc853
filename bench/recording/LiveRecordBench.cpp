// Live recording: the simulated guest streams its screen at 30 fps into the
// renderer in this process while a VideoRecord records it for the given
// time, as the player does. Printed: frames written against the frames a
// steady 25 fps would give, frames ffprobe counts in the file, and the
// process's CPU time while recording beside the same time of streaming
// alone (the baseline, measured first in the same run).
//
// Usage: bench_live_recording [seconds]     (default 10)

#include "display/RendererBinding.h"
#include "window/VideoRecord.h"

#include <VideoProbe.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <sys/resource.h>

#include <cstdio>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool rendererHasFrames()
{
    std::vector<uchar> frame(1280 * 720 * 4);
    QElapsedTimer timer;
    timer.start();
    while (glrender::screenCapture(frame.data(), 1280, 720) != 0) {
        if (timer.hasExpired(20000))
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, QString::fromLatin1(argv[1]).toInt()) : 10;
    char address[64] = {};
    if (!glrender::loadRenderer() || glrender::initOpenGLRenderer(1280, 720, address, sizeof address) == 0) {
        std::printf("live recording: the renderer did not start\n");
        return 1;
    }

    // The guest's agents are sent to an address where no player listens;
    // only its display stream matters here.
    QTemporaryDir state;
    QFile properties(state.filePath(QStringLiteral("properties")));
    if (!properties.open(QIODevice::WriteOnly))
        return 1;
    properties.write(QByteArray("tavenor.gles.addr=") + QByteArray(address) + '\n');
    properties.close();
    QProcess guest;
    guest.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    guest.setStandardOutputFile(QProcess::nullDevice());
    guest.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tavenor-guest"),
                {QStringLiteral("--boot-delay-ms"), QStringLiteral("0"), QStringLiteral("--fps"), QStringLiteral("30"),
                 QStringLiteral("--host"), QStringLiteral("192.0.2.1"), state.path()});
    if (!guest.waitForStarted() || !rendererHasFrames()) {
        std::printf("live recording: no frames from the simulated guest\n");
        return 1;
    }

    const double idleStart = cpuSeconds();
    QThread::sleep(unsigned(seconds));
    const double streamingCpu = cpuSeconds() - idleStart;

    const QString file = state.filePath(QStringLiteral("live.mp4"));
    auto *recorder = new VideoRecord(file, 1280, 720);
    const double recordStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QThreadPool::globalInstance()->start(recorder);
    QThread::sleep(unsigned(seconds));
    recorder->onFinish();
    QThreadPool::globalInstance()->waitForDone();
    const double recordingWall = wall.elapsed() / 1000.0;
    const double recordingCpu = cpuSeconds() - recordStart;
    const int written = recorder->framesAppended();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    guest.terminate();
    guest.waitForFinished(5000);

    const VideoProbe video = VideoProbe::of(file.toStdString());
    const int expected = 25 * seconds;
    std::printf("live recording: %d s of the simulated guest at 30 fps, 1280 x 720\n", seconds);
    std::printf("  frames written            %5d of %d expected (%.1f %%)  target >= 98 %%\n", written, expected,
                100.0 * written / expected);
    std::printf("  frames in the file        %5d  (ffprobe), %.2f s of video in %.2f s\n", video.frames, video.duration,
                recordingWall);
    std::printf("  CPU while recording       %6.2f s  (%.0f %% of one core)\n", recordingCpu,
                100.0 * recordingCpu / recordingWall);
    std::printf("  CPU streaming alone       %6.2f s  baseline\n", streamingCpu);
    std::printf("  CPU of the recording      %6.2f s\n", recordingCpu - streamingCpu);
    return 0;
}
