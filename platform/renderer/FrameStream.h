#pragma once

// The display stream between the guest's GL client and the renderer: one TCP
// connection from the guest to the address the renderer publishes
// ("127.0.0.1:PORT"). Everything the guest sends is untrusted.
//
// All integers are unsigned and big-endian.
//
// Hello, once, right after connecting (8 bytes):
//   u32 magic    kFrameStreamMagic ("TVFS")
//   u32 version  kFrameStreamVersion
//
// Then any number of frames (32-byte header, then the pixels):
//   u32 type       kFrameTypeImage
//   u32 width      1 .. kFrameMaxSide, the frame as the guest drew it
//   u32 height     1 .. kFrameMaxSide
//   u32 rotation   0, 90, 180 or 270: how far the guest display is turned
//   u64 sentAtUs   the guest's CLOCK_MONOTONIC in microseconds when sent
//   u32 length     payload bytes, always width * height * 4
//   u32 reserved   0
//   payload        width * height pixels, RGBA8888, rows top to bottom
//
// A hello with another magic or version, an unknown type, a side out of
// range, a rotation not listed or a length that does not match the size ends
// the connection; the renderer keeps the last good frame.

#include <cstdint>

namespace framestream {

constexpr std::uint32_t kFrameStreamMagic = 0x54564653; // "TVFS"
constexpr std::uint32_t kFrameStreamVersion = 1;
constexpr std::uint32_t kFrameTypeImage = 1;
constexpr std::uint32_t kFrameMaxSide = 4096;
constexpr std::uint32_t kHelloSize = 8;
constexpr std::uint32_t kFrameHeaderSize = 32;

} // namespace framestream
