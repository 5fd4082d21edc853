#include "window/VideoRecord.h"

#include "display/RendererBinding.h"

#include <VideoEncoder.h>

#include <QDebug>
#include <QElapsedTimer>

#include <chrono>
#include <memory>
#include <new>

VideoRecord::VideoRecord(QString file, int width, int height, QObject *parent)
    : QObject(parent), file(std::move(file)), width(width & ~1), height(height & ~1)
{
    setAutoDelete(false);
}

void VideoRecord::onFinish()
{
    {
        std::lock_guard<std::mutex> lock(m_wakeLock);
        running = false;
    }
    m_wake.notify_all();
}

void VideoRecord::run()
{
    VideoRecording *handle = videoStart(file.toUtf8().constData(), width, height, frameRate);
    if (handle == nullptr) {
        qDebug() << "videoStart failed";
        emit recordError(file, kStartFailed);
        deleteLater();
        return;
    }
    int code = recordFrames(handle);
    // Finished on every path, so that the frames written so far stay a
    // playable file.
    if (videoEnd(handle) < 0 && code == 0)
        code = kFinishFailed;
    if (code == 0)
        emit fileSaved(file);
    else
        emit recordError(file, code);
    deleteLater();
}

int VideoRecord::recordFrames(VideoRecording *handle)
{
    const qint64 frameBytes = qint64(width) * height * 4;
    std::unique_ptr<uchar[]> buffer(new (std::nothrow) uchar[size_t(qMax<qint64>(frameBytes, 4))]);
    if (!buffer) {
        qDebug() << "alloc buffer error, out of memory";
        return kOutOfMemory;
    }
    QElapsedTimer timer;
    for (;;) {
        timer.restart();
        if (glrender::screenCapture(buffer.get(), width, height) != 0) {
            qDebug() << "read image from fb error";
            return kCaptureFailed;
        }
        if (videoAppendFrame(handle, buffer.get()) < 0) {
            qDebug() << "videoAppendFrame failed";
            return kFrameRefused;
        }
        ++m_frames;
        if (!waitForNextFrame(timer.elapsed()))
            return 0;
    }
}

bool VideoRecord::waitForNextFrame(qint64 elapsedMs)
{
    const std::chrono::milliseconds rest(1000 / frameRate - elapsedMs);
    std::unique_lock<std::mutex> lock(m_wakeLock);
    if (rest.count() > 0)
        m_wake.wait_for(lock, rest, [this] { return !running.load(); });
    return running.load();
}
