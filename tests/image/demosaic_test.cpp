#include "image/demosaic.h"
#include "image/image_workspace.h"
#include "image/pixel_conversion.h"
#include "image_test_support.h"
#include "reference_demosaic.h"

#include <gtest/gtest.h>

namespace {

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Bgr& p)
{
    return os << "(B " << p.b << ", G " << p.g << ", R " << p.r << ")";
}

// Pixel (x, y) of bottom-up BMP rows.
Bgr pixelAt(const std::vector<uint8_t>& rows, int width, int height, int x, int y)
{
    const uint8_t* p = &rows[(std::size_t(height - 1 - y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

std::vector<uint8_t> demosaic(const std::vector<uint8_t>& pixels, int width, int height, int code,
                              uint8_t gr = 0, uint8_t gg = 0, uint8_t gb = 0, SimdLevel level = SimdLevel::Auto)
{
    std::vector<uint8_t> out(std::size_t(width) * height * 3, 0xCD);
    demosaicToBmpRows(pixels.data(), width, height, code, gr, gg, gb, out.data(), level);
    return out;
}

// Site values that name their position, so a wrong neighbour shows: 10 * y + x (small images).
std::vector<uint8_t> positional(int width, int height)
{
    std::vector<uint8_t> p(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p[std::size_t(y) * width + x] = uint8_t(10 * y + x);
    return p;
}

std::vector<SimdLevel> levels()
{
    std::vector<SimdLevel> l = {SimdLevel::Scalar, SimdLevel::Sse2};
    if (cpuHasAvx2())
        l.push_back(SimdLevel::Avx2);
    return l;
}

} // namespace

// The neighbour-set examples, on images whose values name their positions.
TEST(Demosaic, BorderAndInteriorNeighbourSets)
{
    auto v = [](int x, int y) { return 10 * y + x; };
    struct Case {
        const char* what;
        int width, height, code, x, y;
        Bgr expected;
    } cases[] = {
        {"RGGB (0,0): green from two, blue from the one diagonal", 6, 5, 0, 0, 0,
         {v(1, 1), (v(1, 0) + v(0, 1)) / 2, v(0, 0)}},
        {"BGGR green in the first row: blue left/right, red below", 6, 5, 3, 3, 0,
         {(v(2, 0) + v(4, 0)) / 2, v(3, 0), v(3, 1)}},
        {"BGGR top-right corner, even width (green)", 6, 5, 3, 5, 0, {v(4, 0), v(5, 0), v(5, 1)}},
        {"BGGR top-right corner, odd width (blue)", 7, 5, 3, 6, 0, {v(6, 0), (v(5, 0) + v(6, 1)) / 2, v(5, 1)}},
        {"RGGB red on the last row of an odd height", 7, 5, 0, 2, 4,
         {(v(1, 3) + v(3, 3)) / 2, (v(1, 4) + v(3, 4) + v(2, 3)) / 3, v(2, 4)}},
        {"RGGB red in the first column: three greens, two diagonals", 6, 5, 0, 0, 2,
         {(v(1, 1) + v(1, 3)) / 2, (v(0, 1) + v(0, 3) + v(1, 2)) / 3, v(0, 2)}},
        {"GBRG green in the last column (odd width): blue from the left only", 5, 6, 1, 4, 2,
         {v(3, 2), v(4, 2), (v(4, 1) + v(4, 3)) / 2}},
        {"GRBG interior red: four greens, four blue diagonals", 6, 6, 2, 3, 2,
         {(v(2, 1) + v(4, 1) + v(2, 3) + v(4, 3)) / 4, (v(3, 1) + v(2, 2) + v(4, 2) + v(3, 3)) / 4, v(3, 2)}},
        {"RGGB bottom-right corner of odd sizes (red)", 5, 5, 0, 4, 4, {v(3, 3), (v(3, 4) + v(4, 3)) / 2, v(4, 4)}},
        {"RGGB bottom-right corner of even sizes (blue)", 6, 4, 0, 5, 3, {v(5, 3), (v(4, 3) + v(5, 2)) / 2, v(4, 2)}},
        {"code 7 is BGGR", 6, 5, 7, 0, 0, {v(0, 0), (v(1, 0) + v(0, 1)) / 2, v(1, 1)}},
    };
    for (const Case& c : cases) {
        for (SimdLevel level : levels()) {
            const auto out = demosaic(positional(c.width, c.height), c.width, c.height, c.code, 0, 0, 0, level);
            EXPECT_EQ(pixelAt(out, c.width, c.height, c.x, c.y), c.expected) << c.what;
        }
    }
}

TEST(Demosaic, TruncatingMeansAndUniformGains)
{
    // An interior red site whose greens are 1, 2, 2, 2 gets green 7 div 4 = 1.
    std::vector<uint8_t> p(5 * 5, 9);
    p[1 * 5 + 2] = 1; // up of (2, 2)
    p[2 * 5 + 1] = 2;
    p[2 * 5 + 3] = 2;
    p[3 * 5 + 2] = 2;
    EXPECT_EQ(pixelAt(demosaic(p, 5, 5, 0), 5, 5, 2, 2).g, 1);

    // A uniform 15 with gains 10 gives 16 everywhere (16.5 rounds to the even 16).
    for (SimdLevel level : levels()) {
        const auto out = demosaic(std::vector<uint8_t>(40 * 7, 15), 40, 7, 3, 10, 10, 10, level);
        EXPECT_EQ(out, std::vector<uint8_t>(out.size(), 16));
    }
}

TEST(Demosaic, BufferIsBottomUpWithRedAtOffsetTwo)
{
    // Grey conversion keeps the value in all three bytes, ignores the gains, and row 0 of
    // the buffer holds the last image row.
    ImageWorkspace ws;
    ws.sensorImage.pixels.assignZero(3, 2);
    ws.sensorImage.pixels.data = {1, 2, 3, 4, 5, 6};
    ws.sensorImage.hkrHeader.gainR = ws.sensorImage.hkrHeader.gainG = ws.sensorImage.hkrHeader.gainB = 50;
    ASSERT_TRUE(fncGrayToRgb(ws));
    EXPECT_EQ(ws.bmpBuffer.bytes, (std::vector<uint8_t>{4, 4, 4, 5, 5, 5, 6, 6, 6, 1, 1, 1, 2, 2, 2, 3, 3, 3}));

    // RGGB (0, 1) is green; its red comes from above only (there is no row 2) and lands at
    // offset 3x + 2 of buffer row 0.
    ws.sensorImage.hkrHeader = {};
    ASSERT_TRUE(fncBayerToRgb(ws));
    EXPECT_EQ(ws.bmpBuffer.row(0)[2], 1);
}

// The optimised code against the plain reference: many sizes, every pattern code, gains 0
// and non-zero, every instruction set this processor has.
TEST(Demosaic, EqualsTheReferenceByteForByte)
{
    std::vector<std::pair<int, int>> sizes;
    for (int w = 1; w <= 9; ++w)
        for (int h = 1; h <= 9; ++h)
            sizes.push_back({w, h});
    // Widths around whole numbers of 16- and 32-site vectors, where the last vector overlaps.
    for (auto s : std::vector<std::pair<int, int>>{{17, 3}, {18, 4}, {19, 5}, {20, 3}, {33, 3}, {34, 4}, {35, 5},
                                                  {36, 2}, {37, 6}, {50, 3}, {51, 4}, {64, 6}, {65, 7}, {66, 8},
                                                  {67, 9}, {97, 10}, {100, 31}, {608, 464}, {611, 37}, {1023, 11}})
        sizes.push_back(s);
    const uint8_t gainSets[][3] = {{0, 0, 0}, {10, 50, 255}, {0, 37, 0}, {18, 32, 43}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes) {
        const auto pixels = randomBytes(std::size_t(w) * h, seed++);
        for (int code : {0, 1, 2, 3, 7}) {
            for (const auto& g : gainSets) {
                const auto expected = referenceDemosaic(pixels, w, h, code, g[0], g[1], g[2]);
                for (SimdLevel level : levels()) {
                    ASSERT_EQ(demosaic(pixels, w, h, code, g[0], g[1], g[2], level), expected)
                        << w << "x" << h << " code " << code << " gains " << int(g[0]) << "," << int(g[1]) << ","
                        << int(g[2]) << " level " << int(level);
                }
            }
        }
    }
}

TEST(ApplyGain, ScalesEachSiteByItsColourAndIgnoresTheColourFlag)
{
    ImageWorkspace ws;
    EXPECT_FALSE(fncApplyGain(ws)); // no pixels yet
    SensorImage& image = ws.sensorImage;
    image.pixels.assignZero(3, 2);
    image.pixels.data = {100, 100, 100, 100, 100, 100};
    image.plnHeader.colourFlag = 1; // grey: scaled all the same
    image.hkrHeader = HkrHeader{3, 10, 20, 30, 3, 2}; // BGGR: B G B / G R G
    ASSERT_TRUE(fncApplyGain(ws));
    EXPECT_EQ(ws.uploadImage.pixels.data, (std::vector<uint8_t>{130, 120, 130, 120, 110, 120}));
    EXPECT_EQ(ws.uploadImage.hkrHeader.gainR, 0); // header untouched

    image.hkrHeader.bayerPattern = 7;
    ASSERT_TRUE(fncApplyGain(ws));
    EXPECT_EQ(ws.uploadImage.pixels.data, std::vector<uint8_t>(6, 0));
}
