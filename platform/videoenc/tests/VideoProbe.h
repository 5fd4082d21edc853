#pragma once

// What ffprobe and ffmpeg read from a video file, for the tests of
// everything that writes recordings. Frames are counted by decoding them,
// not taken from the container's header.

#include <cstdint>
#include <string>
#include <vector>

struct VideoProbe
{
    bool readable = false;
    std::string codec;
    std::string pixelFormat;
    int width = 0;
    int height = 0;
    int frames = 0;       // decoded
    double duration = 0;  // of the stream, seconds
    bool indexFirst = false; // the MP4 index (moov) comes before the media data
    std::vector<double> frameTimes; // presentation times, seconds

    static VideoProbe of(const std::string &path);
};

// The decoded frame at index as packed RGB, 3 bytes a pixel; empty when it
// cannot be decoded.
std::vector<std::uint8_t> decodedFrame(const std::string &path, int index);
