#pragma once

// A guest-like 1280 x 720 RGBA screen for the recording benchmarks: flat
// panels, a gradient and a moving tile, so that frames differ as a live
// screen's do and the encoder and PNG writer see realistic content.

#include <cstdint>
#include <vector>

constexpr int kBenchWidth = 1280;
constexpr int kBenchHeight = 720;

inline void fillBenchFrame(std::vector<std::uint8_t> &rgba, int index)
{
    rgba.resize(std::size_t(kBenchWidth) * kBenchHeight * 4);
    const int tileX = (index * 8) % (kBenchWidth - 160);
    const int tileY = 200 + (index * 3) % 300;
    for (int y = 0; y < kBenchHeight; ++y) {
        std::uint8_t *row = &rgba[std::size_t(y) * kBenchWidth * 4];
        for (int x = 0; x < kBenchWidth; ++x) {
            std::uint8_t *p = row + x * 4;
            const bool panel = y < 40 || (x % 160 > 20 && x % 160 < 140 && y % 180 > 60 && y % 180 < 160);
            const bool tile = x >= tileX && x < tileX + 160 && y >= tileY && y < tileY + 160;
            if (tile) {
                p[0] = std::uint8_t(x * 3 + index);
                p[1] = std::uint8_t(y * 5);
                p[2] = std::uint8_t((x ^ y) + index * 7);
            } else if (panel) {
                p[0] = 0x3d;
                p[1] = std::uint8_t(0xdc - (x / 160) * 12);
                p[2] = 0x84;
            } else {
                p[0] = std::uint8_t(16 + y / 8);
                p[1] = std::uint8_t(20 + y / 10);
                p[2] = 24;
            }
            p[3] = 255;
        }
    }
}
