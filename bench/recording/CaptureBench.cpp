// The capture's PNG writing (ScreenCapture::savePng, as the screen button
// saves) against ImageMagick's `convert` writing the same raw 1280 x 720
// RGBA frame to PNG, in one run. The GUI thread waits for the file, so the
// target is to be no slower than ImageMagick; Qt's default PNG compression
// is shown beside the one the player uses.
//
// Usage: bench_capture [rounds]     (default 10; the median round counts)

#include "BenchFrames.h"

#include "window/ScreenCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int rounds, const std::function<bool()> &write)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!write())
            return -1;
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool qtDefault(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString folder = QDir::tempPath();
    std::vector<std::uint8_t> rgba;
    fillBenchFrame(rgba, 7);
    const QImage image(rgba.data(), kBenchWidth, kBenchHeight, kBenchWidth * 4, QImage::Format_RGBA8888);
    const QString raw = folder + QStringLiteral("/bench-capture.rgba");
    {
        QFile file(raw);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(reinterpret_cast<const char *>(rgba.data()), qint64(rgba.size())) != qint64(rgba.size()))
            return 1;
    }
    const QString ours = folder + QStringLiteral("/bench-capture.png");
    const QString plain = folder + QStringLiteral("/bench-capture-qt-default.png");
    const QString magick = folder + QStringLiteral("/bench-capture-convert.png");

    const double oursMs = medianMs(rounds, [&] { return ScreenCapture::savePng(image, ours); });
    const double plainMs = medianMs(rounds, [&] { return qtDefault(image, plain); });
    const double magickMs = medianMs(rounds, [&] {
        return QProcess::execute(QStringLiteral("convert"),
                                 {QStringLiteral("-size"), QStringLiteral("1280x720"), QStringLiteral("-depth"),
                                  QStringLiteral("8"), QStringLiteral("rgba:") + raw, magick})
               == 0;
    });
    if (oursMs < 0 || plainMs < 0 || magickMs < 0) {
        std::printf("capture benchmark failed\n");
        return 1;
    }
    const auto kb = [](const QString &path) { return QFileInfo(path).size() / 1024.0; };
    std::printf("capture PNG, %d x %d, median of %d\n", kBenchWidth, kBenchHeight, rounds);
    std::printf("  savePng (quality %d)         %7.1f ms  %7.0f KiB\n", ScreenCapture::kPngQuality, oursMs, kb(ours));
    std::printf("  Qt default compression      %7.1f ms  %7.0f KiB\n", plainMs, kb(plain));
    std::printf("  ImageMagick convert         %7.1f ms  %7.0f KiB  baseline\n", magickMs, kb(magick));
    std::printf("  ratio convert / savePng     %7.2f     target >= 1.00\n", magickMs / oursMs);
    return 0;
}
