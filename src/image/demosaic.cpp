#include "image/demosaic.h"

#include "image/bayer_pattern.h"
#include "image/demosaic_rows.h"
#include "image/gain.h"

#include <array>
#include <cstring>

bool cpuHasAvx2()
{
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

SimdLevel bestSimdLevel()
{
#if defined(__SSE2__)
    return cpuHasAvx2() ? SimdLevel::Avx2 : SimdLevel::Sse2;
#else
    return SimdLevel::Scalar;
#endif
}

namespace {

struct ChannelTables {
    GainTable red, green, blue;
};

uint8_t meanOf(const uint8_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y,
               std::initializer_list<std::array<int, 2>> offsets)
{
    int sum = 0;
    int count = 0;
    for (const auto& o : offsets) {
        const int32_t nx = x + o[0];
        const int32_t ny = y + o[1];
        if (nx >= 0 && nx < width && ny >= 0 && ny < height) {
            sum += pixels[std::size_t(ny) * std::size_t(width) + std::size_t(nx)];
            ++count;
        }
    }
    // A site of an image one pixel wide or high can lack every neighbour of a colour.
    return count ? static_cast<uint8_t>(sum / count) : 0;
}

// One site with every neighbour tested against the image edges: the border rows and columns.
void borderSite(const uint8_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y, int pattern,
                const ChannelTables& tables, uint8_t* bgr)
{
    uint8_t rgb[3];
    const SiteColour own = siteColour(pattern, x, y);
    const uint8_t value = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    if (own == SiteColour::Green) {
        // The colour of the left and right neighbours, and the other one above and below.
        const auto rowColour = static_cast<int>(siteColour(pattern, x + 1, y));
        rgb[1] = value;
        rgb[rowColour] = meanOf(pixels, width, height, x, y, {{-1, 0}, {1, 0}});
        rgb[2 - rowColour] = meanOf(pixels, width, height, x, y, {{0, -1}, {0, 1}});
    } else {
        const auto ownIndex = static_cast<int>(own);
        rgb[ownIndex] = value;
        rgb[1] = meanOf(pixels, width, height, x, y, {{0, -1}, {-1, 0}, {1, 0}, {0, 1}});
        rgb[2 - ownIndex] = meanOf(pixels, width, height, x, y, {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}});
    }
    bgr[0] = tables.blue[rgb[2]];
    bgr[1] = tables.green[rgb[1]];
    bgr[2] = tables.red[rgb[0]];
}

// Interior sites x0 .. x1-1 of a row whose neighbours all exist: no edge tests.
void interiorSites(const DemosaicRow& row, int32_t x0, int32_t x1, const ChannelTables& tables)
{
    const GainTable& rowTable = row.nonGreenIsRed ? tables.red : tables.blue;
    const GainTable& columnTable = row.nonGreenIsRed ? tables.blue : tables.red;
    const int rowIndex = row.nonGreenIsRed ? 2 : 0;
    const int columnIndex = 2 - rowIndex;
    const uint8_t* up = row.up;
    const uint8_t* cur = row.cur;
    const uint8_t* down = row.down;
    for (int32_t x = x0; x < x1; ++x) {
        uint8_t* bgr = row.out + 3 * std::size_t(x);
        const uint8_t own = cur[x];
        if ((x & 1) == row.nonGreenParity) {
            bgr[rowIndex] = rowTable[own];
            bgr[1] = tables.green[(up[x] + cur[x - 1] + cur[x + 1] + down[x]) >> 2];
            bgr[columnIndex] = columnTable[(up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1]) >> 2];
        } else {
            bgr[rowIndex] = rowTable[(cur[x - 1] + cur[x + 1]) >> 1];
            bgr[1] = tables.green[own];
            bgr[columnIndex] = columnTable[(up[x] + down[x]) >> 1];
        }
    }
}

SimdLevel effectiveLevel(SimdLevel wanted)
{
    const SimdLevel best = bestSimdLevel();
    if (wanted == SimdLevel::Auto)
        return best;
    if (wanted == SimdLevel::Avx2 && best != SimdLevel::Avx2)
        return best;
    if (wanted == SimdLevel::Sse2 && best == SimdLevel::Scalar)
        return best;
    return wanted;
}

} // namespace

void demosaicToBmpRows(const uint8_t* pixels, int32_t width, int32_t height, int patternCode,
                       uint8_t gainR, uint8_t gainG, uint8_t gainB, uint8_t* out, SimdLevel level)
{
    if (width <= 0 || height <= 0)
        return;
    const int pattern = demosaicPatternCode(patternCode);
    const ChannelTables tables{makeGainTable(gainR), makeGainTable(gainG), makeGainTable(gainB)};
    const float factors[3] = {gainFactor(gainR), gainFactor(gainG), gainFactor(gainB)};
    const bool anyGain = gainR != 0 || gainG != 0 || gainB != 0;
    const SimdLevel simd = effectiveLevel(level);
    const std::size_t rowBytes = 3 * std::size_t(width);

    for (int32_t y = 0; y < height; ++y) {
        uint8_t* outRow = out + std::size_t(height - 1 - y) * rowBytes;
        if (y == 0 || y == height - 1 || width < 3) {
            for (int32_t x = 0; x < width; ++x)
                borderSite(pixels, width, height, x, y, pattern, tables, outRow + 3 * std::size_t(x));
            continue;
        }
        DemosaicRow row{};
        row.cur = pixels + std::size_t(y) * std::size_t(width);
        row.up = row.cur - width;
        row.down = row.cur + width;
        row.out = outRow;
        row.width = width;
        const bool greenAtEven = siteColour(pattern, 0, y) == SiteColour::Green;
        row.nonGreenParity = greenAtEven ? 1 : 0;
        row.nonGreenIsRed = siteColour(pattern, row.nonGreenParity, y) == SiteColour::Red;
        row.factors = anyGain ? factors : nullptr;

        borderSite(pixels, width, height, 0, y, pattern, tables, outRow);
        int32_t x = 1;
        if (simd == SimdLevel::Avx2)
            x = demosaicInteriorAvx2(row);
        else if (simd == SimdLevel::Sse2)
            x = demosaicInteriorSse2(row);
        interiorSites(row, x, width - 1, tables);
        borderSite(pixels, width, height, width - 1, y, pattern, tables, outRow + 3 * std::size_t(width - 1));
    }
}

void greyToBmpRows(const uint8_t* pixels, int32_t width, int32_t height, uint8_t* out)
{
    const std::size_t rowBytes = 3 * std::size_t(width);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels + std::size_t(y) * std::size_t(width);
        uint8_t* o = out + std::size_t(height - 1 - y) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            o[3 * x] = in[x];
            o[3 * x + 1] = in[x];
            o[3 * x + 2] = in[x];
        }
    }
}
