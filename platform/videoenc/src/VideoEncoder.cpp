// The exported entry points: a handle is a writer; no exception leaves.

#include "VideoEncoder.h"

#include "Mp4Writer.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

struct VideoRecording
{
    Mp4Writer writer;
};

namespace {

// Live capture: the fastest preset keeps up at 25 frames a second beside a
// running guest on two cores; the quality factor keeps screen text sharp.
Mp4Writer::Settings liveSettings()
{
    Mp4Writer::Settings settings;
    settings.preset = "ultrafast";
    settings.crf = 23;
    settings.threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    return settings;
}

std::int64_t nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The encoder reports every start and end at information level; only
// errors belong in the player's log.
void quietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

} // namespace

extern "C" {

VideoRecording *videoStart(const char *file, int width, int height, int frameRate)
{
    if (file == nullptr)
        return nullptr;
    try {
        quietLibraries();
        auto recording = std::make_unique<VideoRecording>();
        if (!recording->writer.open(file, width, height, frameRate, liveSettings()))
            return nullptr;
        return recording.release();
    } catch (...) {
        return nullptr;
    }
}

int videoAppendFrame(VideoRecording *handle, const void *frame)
{
    if (handle == nullptr || frame == nullptr)
        return -1;
    try {
        return handle->writer.append(static_cast<const std::uint8_t *>(frame), nowUs()) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

int videoEnd(VideoRecording *handle)
{
    if (handle == nullptr)
        return -1;
    std::unique_ptr<VideoRecording> recording(handle);
    try {
        return recording->writer.finish(nowUs()) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

} // extern "C"
