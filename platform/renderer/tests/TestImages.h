#pragma once

#include <cstdint>
#include <vector>

struct Rgba
{
    std::uint8_t r, g, b, a;
};

constexpr Rgba kRed{220, 30, 40, 255};
constexpr Rgba kGreen{20, 200, 60, 255};
constexpr Rgba kBlue{30, 50, 210, 255};
constexpr Rgba kYellow{230, 220, 20, 255};

// RGBA8888 pixels, rows top to bottom, as the guest sends them.
std::vector<std::uint8_t> solidPixels(int width, int height, Rgba colour);

// Four colours, one per quarter: top left, top right, bottom left, bottom right.
std::vector<std::uint8_t> quadrantPixels(int width, int height, Rgba topLeft, Rgba topRight,
                                         Rgba bottomLeft, Rgba bottomRight);

Rgba pixelAt(const std::vector<std::uint8_t> &pixels, int width, int x, int y);

// Each channel within tolerance of the other's.
bool sameColour(Rgba a, Rgba b, int tolerance = 0);
