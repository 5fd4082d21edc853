#pragma once

#include <QObject>
#include <QRunnable>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

struct VideoEncoderCalls;
struct VideoRecording;

// One screen recording, run on the global thread pool: the guest's frame
// is read from the renderer and handed to the video encoder 25 times a
// second (as its natural rotation, whatever way the guest turns), until
// onFinish(). Capture and encoding time come off each 40 ms; a slower frame
// is followed at once by the next, without catching up. The encoder stamps
// each frame with the time it gets it, so a slow machine gives fewer frames,
// not a faster video.
//
// The encoder library is opened by the first recording (VideoEncoderModule);
// without it the recording fails with kEncoderMissing.
//
// The object lives on the GUI thread, where its slot runs; it deletes
// itself there (deleteLater) as the last thing run() does, never on the
// pool thread, so that the GUI never calls into an object being destroyed.
// Whoever outlives the event loop (the main window at exit) waits for the
// pool and deletes what is left.
class VideoRecord : public QObject, public QRunnable
{
    Q_OBJECT

public:
    // Error codes of recordError.
    static constexpr int kStartFailed = -1;
    static constexpr int kFrameRefused = -2;
    static constexpr int kCaptureFailed = -3;
    static constexpr int kFinishFailed = -4; // the file could not be completed
    static constexpr int kOutOfMemory = -5;
    static constexpr int kEncoderMissing = -6; // the encoder module could not be loaded

    // width and height: the guest frame size; each is rounded down to an
    // even number.
    VideoRecord(QString file, int width, int height, QObject *parent = nullptr);

    void run() override;

    // Frames handed to the encoder so far.
    int framesAppended() const { return m_frames.load(); }

signals:
    // Emitted on the pool thread once the file is finished.
    void fileSaved(QString file);
    // Emitted on the pool thread once the file is finished, or once it is
    // known that there is none. A failure after frames were written leaves
    // a playable file of those frames; a recording without frames leaves
    // nothing.
    void recordError(QString file, int code);

public slots:
    void onFinish();

private:
    // 0 on a stop, else the error code.
    int recordFrames(const VideoEncoderCalls &encoder, VideoRecording *handle);
    // Waits until the next frame is due; false once stopped.
    bool waitUntil(std::chrono::steady_clock::time_point due);

    std::atomic<bool> running{true};
    const int frameRate = 25;
    const QString file;
    const int width;
    const int height;
    std::atomic<int> m_frames{0};
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
};
