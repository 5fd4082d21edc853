#pragma once

#include <QImage>

#include <cstdint>

namespace renderer {

// One complete guest frame, never changed once published: readers on any
// thread share it through a shared pointer.
struct Frame
{
    QImage image;               // RGB32 (0xffRRGGBB): the guest's pixels, opaque, ready to draw
    std::uint32_t rotation = 0; // degrees: 0, 90, 180 or 270
    std::uint64_t sentAtUs = 0; // the guest's monotonic clock when it sent the frame

    // Copies the pixels into a caller's buffer of height rows of width * 4
    // bytes as RGBA8888 (alpha 255), scaled when the size differs. False when
    // scaling ran out of memory.
    bool copyTo(std::uint8_t *buffer, int width, int height) const;
};

} // namespace renderer
