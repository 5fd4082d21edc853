#pragma once

#include <VideoEncoder.h>

// The video encoder library (FFmpeg with libx264 behind three C calls),
// opened when the first recording starts, found as the renderer is
// (RuntimeLibrary): beside the program, else by the system's library search.
struct VideoEncoderCalls
{
    decltype(&videoStart) start = nullptr;
    decltype(&videoAppendFrame) appendFrame = nullptr;
    decltype(&videoEnd) end = nullptr;
};

class VideoEncoderModule
{
public:
    // The library's calls, opening it the first time; nullptr when it is
    // missing or cannot be loaded (logged; asked again at the next call).
    // Any thread.
    static const VideoEncoderCalls *calls();
};
