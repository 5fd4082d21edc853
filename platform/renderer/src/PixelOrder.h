#pragma once

#include <cstddef>
#include <cstdint>

namespace renderer {

// Swaps the red and blue bytes of count 4-byte pixels and makes them opaque:
// RGBA8888 as the guest sends it becomes the 0xffRRGGBB words (B, G, R, 255
// in memory) that a display's backing store holds, and back. from and to
// may be the same buffer.
void swapRedBlueOpaque(const std::uint8_t *from, std::uint8_t *to, std::size_t count);

} // namespace renderer
