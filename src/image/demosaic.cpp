#include "image/demosaic.h"

#include "image/bayer_pattern.h"
#include "image/demosaic_rows.h"
#include "image/gain.h"

#include <array>
#include <initializer_list>

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

// Stores one site from its row colour (the row's red or blue), green and column colour.
inline void putSite(const DemosaicRow& row, const ChannelTables& tables, int32_t x, uint8_t rowColour,
                    uint8_t green, uint8_t columnColour)
{
    uint8_t* bgr = row.out + 3 * std::size_t(x);
    const uint8_t red = row.nonGreenIsRed ? rowColour : columnColour;
    const uint8_t blue = row.nonGreenIsRed ? columnColour : rowColour;
    bgr[0] = tables.blue[blue];
    bgr[1] = tables.green[green];
    bgr[2] = tables.red[red];
}

// Interior sites x0 .. x1-1 of a row whose neighbours all exist: no edge tests.
void interiorSites(const DemosaicRow& row, int32_t x0, int32_t x1, const ChannelTables& tables)
{
    const uint8_t* up = row.up;
    const uint8_t* cur = row.cur;
    const uint8_t* down = row.down;
    for (int32_t x = x0; x < x1; ++x) {
        const uint8_t own = cur[x];
        if ((x & 1) == row.nonGreenParity)
            putSite(row, tables, x, own, uint8_t((up[x] + cur[x - 1] + cur[x + 1] + down[x]) >> 2),
                    uint8_t((up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1]) >> 2));
        else
            putSite(row, tables, x, uint8_t((cur[x - 1] + cur[x + 1]) >> 1), own, uint8_t((up[x] + down[x]) >> 1));
    }
}

// Sites 1 .. width-2 of the first or last row: row.down is the one neighbouring row, so
// green has three neighbours, the diagonal colour two and the vertical colour one.
void edgeRowSites(const DemosaicRow& row, const ChannelTables& tables)
{
    const uint8_t* cur = row.cur;
    const uint8_t* other = row.down;
    for (int32_t x = 1; x < row.width - 1; ++x) {
        const uint8_t own = cur[x];
        if ((x & 1) == row.nonGreenParity)
            putSite(row, tables, x, own, uint8_t((cur[x - 1] + cur[x + 1] + other[x]) / 3),
                    uint8_t((other[x - 1] + other[x + 1]) >> 1));
        else
            putSite(row, tables, x, uint8_t((cur[x - 1] + cur[x + 1]) >> 1), own, other[x]);
    }
}

// Site x (0 or width-1) of an interior row; side is its one horizontal neighbour.
void edgeColumnSite(const DemosaicRow& row, const ChannelTables& tables, int32_t x, int32_t side)
{
    const uint8_t own = row.cur[x];
    if ((x & 1) == row.nonGreenParity)
        putSite(row, tables, x, own, uint8_t((row.up[x] + row.down[x] + row.cur[side]) / 3),
                uint8_t((row.up[side] + row.down[side]) >> 1));
    else
        putSite(row, tables, x, row.cur[side], own, uint8_t((row.up[x] + row.down[x]) >> 1));
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

    const std::size_t stride = std::size_t(width);
    // Images too small for the edge routines: every site tests its neighbours.
    if (width < 3 || height < 2) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                borderSite(pixels, width, height, x, y, pattern, tables,
                           out + std::size_t(height - 1 - y) * rowBytes + 3 * std::size_t(x));
        return;
    }
    for (int32_t y = 0; y < height; ++y) {
        DemosaicRow row{};
        row.cur = pixels + std::size_t(y) * stride;
        row.out = out + std::size_t(height - 1 - y) * rowBytes;
        row.width = width;
        const bool greenAtEven = siteColour(pattern, 0, y) == SiteColour::Green;
        row.nonGreenParity = greenAtEven ? 1 : 0;
        row.nonGreenIsRed = siteColour(pattern, row.nonGreenParity, y) == SiteColour::Red;
        row.factors = anyGain ? factors : nullptr;

        if (y == 0 || y == height - 1) {
            borderSite(pixels, width, height, 0, y, pattern, tables, row.out);
            row.down = y == 0 ? row.cur + stride : row.cur - stride; // the one neighbouring row
            edgeRowSites(row, tables);
            borderSite(pixels, width, height, width - 1, y, pattern, tables, row.out + 3 * std::size_t(width - 1));
            continue;
        }
        row.up = row.cur - stride;
        row.down = row.cur + stride;
        edgeColumnSite(row, tables, 0, 1);
        int32_t x = 1;
        if (simd == SimdLevel::Avx2)
            x = demosaicInteriorAvx2(row);
        else if (simd == SimdLevel::Sse2)
            x = demosaicInteriorSse2(row);
        interiorSites(row, x, width - 1, tables);
        edgeColumnSite(row, tables, width - 1, width - 2);
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
