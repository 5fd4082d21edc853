#pragma once

// The guest's side of the display stream to the renderer: a hello once after
// connecting, then frames of a 32-byte header and RGBA8888 pixels.

#include <guestproto/GuestMessages.h>

#include <cstddef>
#include <cstdint>

namespace guest {

class GuestSocket;

struct FrameInfo {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t rotation = 0; // 0, 90, 180 or 270
    std::uint64_t sentAtUs = 0; // guest monotonic clock, microseconds
};

// The renderer accepts sides of 1 to the stream's maximum and the four rotations.
bool frameInfoValid(const FrameInfo &info);

// The payload size of a frame: width * height * 4.
std::uint64_t framePayloadSize(const FrameInfo &info);

Bytes encodeFrameStreamHello();

// The 32-byte header; its length field is framePayloadSize(info).
Bytes encodeFrameHeader(const FrameInfo &info);

// The clock sentAtUs is taken from (CLOCK_MONOTONIC on Linux).
std::uint64_t monotonicMicros();

// Sends one frame: header, then the pixels. Nothing is sent when the info is
// invalid or size is not its payload size. Stamps sentAtUs with
// monotonicMicros() when it is 0.
bool sendFrame(GuestSocket &socket, FrameInfo info, const std::uint8_t *rgba, std::size_t size);

} // namespace guest
