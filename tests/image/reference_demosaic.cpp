#include "reference_demosaic.h"

#include <cmath>

namespace {

enum Colour { R = 0, G = 1, B = 2 };

Colour colourAt(int code, int x, int y)
{
    // (even x, even y), (odd x, even y), (even x, odd y), (odd x, odd y)
    static const Colour table[4][4] = {{R, G, G, B}, {G, B, R, G}, {G, R, B, G}, {B, G, G, R}};
    if (code < 0 || code > 2)
        code = 3;
    return table[code][(y % 2) * 2 + (x % 2)];
}

} // namespace

uint8_t referenceScale(uint8_t v, uint8_t gain)
{
    const float factor = static_cast<float>((100.0 + gain) / 100.0);
    volatile float product = static_cast<float>(v) * factor; // kept apart from any fused add
    if (product > 255.0f)
        return 255;
    return static_cast<uint8_t>(std::nearbyint(product));
}

std::vector<uint8_t> referenceDemosaic(const std::vector<uint8_t>& pixels, int width, int height, int code,
                                       uint8_t gainR, uint8_t gainG, uint8_t gainB)
{
    std::vector<uint8_t> out(std::size_t(width) * height * 3);
    auto raw = [&](int x, int y) { return int(pixels[std::size_t(y) * width + x]); };
    auto meanOfColour = [&](int x, int y, Colour wanted, const std::vector<std::pair<int, int>>& offsets) {
        int sum = 0, count = 0;
        for (auto [dx, dy] : offsets) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                continue;
            if (colourAt(code, nx, ny) != wanted)
                continue;
            sum += raw(nx, ny);
            ++count;
        }
        return count ? sum / count : 0;
    };
    const std::vector<std::pair<int, int>> cross = {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};
    const std::vector<std::pair<int, int>> diagonals = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    const std::vector<std::pair<int, int>> leftRight = {{-1, 0}, {1, 0}};
    const std::vector<std::pair<int, int>> upDown = {{0, -1}, {0, 1}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int rgb[3];
            Colour own = colourAt(code, x, y);
            rgb[own] = raw(x, y);
            if (own == G) {
                Colour sideways = colourAt(code, x + 1, y);
                Colour vertical = sideways == R ? B : R;
                rgb[sideways] = meanOfColour(x, y, sideways, leftRight);
                rgb[vertical] = meanOfColour(x, y, vertical, upDown);
            } else {
                Colour other = own == R ? B : R;
                rgb[G] = meanOfColour(x, y, G, cross);
                rgb[other] = meanOfColour(x, y, other, diagonals);
            }
            uint8_t* p = &out[(std::size_t(height - 1 - y) * width + x) * 3];
            p[0] = referenceScale(uint8_t(rgb[B]), gainB);
            p[1] = referenceScale(uint8_t(rgb[G]), gainG);
            p[2] = referenceScale(uint8_t(rgb[R]), gainR);
        }
    }
    return out;
}
