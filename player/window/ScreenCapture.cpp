#include "window/ScreenCapture.h"

#include "app/InstanceName.h"
#include "display/RendererBinding.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QBuffer>
#include <QSaveFile>
#include <QSound>
#include <QStandardPaths>

#include <memory>
#include <new>

namespace {

QString defaultFolder()
{
    const QStringList desktops = QStandardPaths::standardLocations(QStandardPaths::DesktopLocation);
    const QString folder = desktops.isEmpty() ? QDir::homePath() : desktops.first();
    // A desktop folder is a given on Windows; a Linux home may lack one.
    QDir().mkpath(folder);
    return folder;
}

QString folderFor(bool recording)
{
    const QString key = QString::fromLatin1(recording ? SettingsKeys::kScreenRecord : SettingsKeys::kScreenCap);
    const QString chosen = SettingsStore(instanceName()).stringValue(key);
    const QString folder = chosen.isEmpty() ? defaultFolder() : chosen;
    qDebug() << folder;
    return folder;
}

} // namespace

ScreenCapture::Result ScreenCapture::take(QSize guestSize, bool turned)
{
    Result result;
    const int width = guestSize.width();
    const int height = guestSize.height();
    const size_t bytes = size_t(qMax(width, 0)) * size_t(qMax(height, 0)) * 4;
    std::unique_ptr<uchar[]> buffer(new (std::nothrow) uchar[bytes > 0 ? bytes : 1]);
    if (!buffer) {
        qDebug() << "out of memory";
        result.outcome = Outcome::OutOfMemory;
        return result;
    }
    if (glrender::screenCapture(buffer.get(), width, height) != 0) {
        qDebug() << "screen capture error";
        result.outcome = Outcome::NotReady;
        return result;
    }
    QImage image(buffer.get(), width, height, width * 4, QImage::Format_RGBA8888);
    if (turned)
        image = rotateQuarterTurn(image);

    result.path = captureFilePath(QStringLiteral(".png"), false);
    QSound::play(QStringLiteral(":/resources/sound/shot.wav"));
    const bool saved = savePng(image, result.path);
    qDebug() << result.path;
    result.outcome = saved ? Outcome::Saved : Outcome::WriteFailed;
    return result;
}

QString ScreenCapture::captureFilePath(const QString &extension, bool recording)
{
    return captureFilePath(extension, recording, QDateTime::currentDateTime());
}

QString ScreenCapture::captureFilePath(const QString &extension, bool recording, const QDateTime &now)
{
    // "z" would pad the milliseconds to three digits in this Qt.
    const QString stem = folderFor(recording) + QLatin1Char('/') + now.toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss_"))
                         + QString::number(now.time().msec());
    QString path = stem + extension;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QLatin1Char('_') + QString::number(n) + extension;
    return path;
}

QImage ScreenCapture::rotateQuarterTurn(const QImage &src)
{
    const QImage source = src.depth() == 32 ? src : src.convertToFormat(QImage::Format_RGBA8888);
    const int width = source.width();
    const int height = source.height();
    QImage turned(height, width, source.format());
    uchar *bits = turned.bits();
    const qsizetype stride = turned.bytesPerLine();
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(source.constScanLine(y));
        const int column = height - 1 - y;
        for (int x = 0; x < width; ++x)
            reinterpret_cast<quint32 *>(bits + x * stride)[column] = row[x];
    }
    return turned;
}

// Encoded in memory first: a write that fails inside the PNG writer (a full
// disk) leaves it through libpng's error jump, past the writer's own
// clean-up, and leaks its row buffer.
bool ScreenCapture::savePng(const QImage &image, const QString &path)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG", kPngQuality))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(png) != png.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
