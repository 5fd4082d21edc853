#include "window/VideoRecord.h"
#include "window/FreedMemory.h"
#include "window/VideoEncoderModule.h"

#include "display/RendererBinding.h"

#include <QDebug>

#include <algorithm>
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
    const VideoEncoderCalls *encoder = VideoEncoderModule::calls();
    if (encoder == nullptr) {
        emit recordError(file, kEncoderMissing);
        deleteLater();
        return;
    }
    VideoRecording *handle = encoder->start(file.toUtf8().constData(), width, height, frameRate);
    if (handle == nullptr) {
        qDebug() << "videoStart failed";
        emit recordError(file, kStartFailed);
        deleteLater();
        return;
    }
    int code = recordFrames(*encoder, handle);
    // Finished on every path, so that the frames written so far stay a
    // playable file.
    if (encoder->end(handle) < 0 && code == 0)
        code = kFinishFailed;
    returnFreedMemory();
    if (code == 0)
        emit fileSaved(file);
    else
        emit recordError(file, code);
    deleteLater();
}

int VideoRecord::recordFrames(const VideoEncoderCalls &encoder, VideoRecording *handle)
{
    const qint64 frameBytes = qint64(width) * height * 4;
    std::unique_ptr<uchar[]> buffer(new (std::nothrow) uchar[size_t(qMax<qint64>(frameBytes, 4))]);
    if (!buffer) {
        qDebug() << "alloc buffer error, out of memory";
        return kOutOfMemory;
    }
    const std::chrono::milliseconds interval(1000 / frameRate);
    auto due = std::chrono::steady_clock::now();
    for (;;) {
        if (glrender::screenCapture(buffer.get(), width, height) != 0) {
            qDebug() << "read image from fb error";
            return kCaptureFailed;
        }
        if (encoder.appendFrame(handle, buffer.get()) < 0) {
            qDebug() << "videoAppendFrame failed";
            return kFrameRefused;
        }
        ++m_frames;
        // Each frame is due one interval after the last was due, so that a
        // late wake-up shortens the next wait instead of slowing the rate;
        // after a frame that overran, the next one follows at once and the
        // rate drops without catching up.
        due = std::max(due + interval, std::chrono::steady_clock::now());
        if (!waitUntil(due))
            return 0;
    }
}

bool VideoRecord::waitUntil(std::chrono::steady_clock::time_point due)
{
    std::unique_lock<std::mutex> lock(m_wakeLock);
    m_wake.wait_until(lock, due, [this] { return !running.load(); });
    return running.load();
}
