#include "TestImages.h"

#include <cstdlib>

std::vector<std::uint8_t> solidPixels(int width, int height, Rgba colour)
{
    return quadrantPixels(width, height, colour, colour, colour, colour);
}

std::vector<std::uint8_t> quadrantPixels(int width, int height, Rgba topLeft, Rgba topRight,
                                         Rgba bottomLeft, Rgba bottomRight)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const Rgba c =
                bottom ? (right ? bottomRight : bottomLeft) : (right ? topRight : topLeft);
            std::uint8_t *p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    }
    return pixels;
}

Rgba pixelAt(const std::vector<std::uint8_t> &pixels, int width, int x, int y)
{
    const std::uint8_t *p = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
    return {p[0], p[1], p[2], p[3]};
}

bool sameColour(Rgba a, Rgba b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}
