#include "test_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct Rgb { uint8_t r, g, b; };

// Blue at (even x, even y), red at (odd x, odd y), green elsewhere.
uint8_t site(const Rgb& c, int x, int y)
{
    if ((x & 1) == 0 && (y & 1) == 0)
        return c.b;
    if ((x & 1) == 1 && (y & 1) == 1)
        return c.r;
    return c.g;
}

// 5 x 7 digits, then '-'; each row's bit 4 is the leftmost column.
const uint8_t kGlyphs[11][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00},
};

constexpr int kScale = 12;           // one glyph dot is 12 x 12 sensor sites
constexpr int kGlyphWidth = 6 * kScale; // 5 dots and a gap

constexpr size_t kPlnHeaderSize = 40;
constexpr size_t kPlnCheckedHeaderBytes = 18; // the reserved bytes after these are left out

float gainFactor(int gain)
{
    // 1 + g/100 in double, then once to float: the nearest float to the exact factor.
    return float((100.0 + gain) / 100.0);
}

uint8_t gained(uint8_t value, float factor)
{
    const float product = float(value) * factor;
    return product > 255.0f ? 255 : uint8_t(std::nearbyint(product));
}

} // namespace

// The controller writes the header and the check bytes itself; they are spelled out here
// byte by byte rather than taken from the tool, so a slip on either side shows in the tests.
std::string plnFileOf(const std::vector<uint8_t>& frame)
{
    const size_t pixelCount = size_t(kSimFrameWidth) * size_t(kSimFrameHeight);
    std::string file(kPlnHeaderSize + pixelCount + 4, '\0');
    auto put16 = [&file](size_t at, int value) {
        file[at] = char(value & 0xFF);
        file[at + 1] = char((value >> 8) & 0xFF);
    };
    const uint8_t prefix[7] = {0x00, 0x00, 0x00, 0xBA, 0x01, 0x00, 0x00};
    std::memcpy(file.data(), prefix, sizeof prefix);
    file[7] = 0;                  // a Bayer colour image
    put16(8, kSimFrameWidth);
    put16(10, kSimFrameHeight);
    put16(12, 0);                 // aux1
    put16(14, kSimFrameHeight);   // aux2: the controller repeats the row count
    // 16..17 (two spare bytes) and the 22 reserved bytes up to 40 stay 0.
    std::memcpy(file.data() + kPlnHeaderSize, frame.data(), std::min(frame.size(), pixelCount));

    // XOR lanes by file offset mod 4 over the header's first 18 bytes and every pixel; the
    // first two lanes go out complemented.
    uint8_t lane[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < kPlnCheckedHeaderBytes; ++i)
        lane[i % 4] ^= uint8_t(file[i]);
    for (size_t i = kPlnHeaderSize; i < kPlnHeaderSize + pixelCount; ++i)
        lane[i % 4] ^= uint8_t(file[i]);
    const size_t check = kPlnHeaderSize + pixelCount;
    file[check] = char(~lane[0]);
    file[check + 1] = char(~lane[1]);
    file[check + 2] = char(lane[2]);
    file[check + 3] = char(lane[3]);
    return file;
}

std::string testPictureFile(int number)
{
    static const Rgb kBars[8] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                 {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
    const int W = kSimFrameWidth;
    const int H = kSimFrameHeight;
    const int barsEnd = H * 2 / 3;
    const int shift = number < 0 ? 4 : number % 8;
    std::vector<uint8_t> frame(size_t(W) * size_t(H));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            Rgb c;
            if (y < barsEnd) {
                c = kBars[(x * 8 / W + shift) % 8];
            } else {
                // Grey ramp, rising to the right for even numbers, to the left for odd ones;
                // the live image ramps from red to blue.
                int v = x * 255 / (W - 1);
                if (number >= 0 && number % 2 == 1)
                    v = 255 - v;
                c = number < 0 ? Rgb{uint8_t(255 - v), 16, uint8_t(v)} : Rgb{uint8_t(v), uint8_t(v), uint8_t(v)};
            }
            frame[size_t(y) * W + x] = site(c, x, y);
        }
    }
    // The number, white on a black box, across the middle of the bars.
    std::string text = std::to_string(number);
    const int boxW = int(text.size()) * kGlyphWidth + 2 * kScale;
    const int boxH = 9 * kScale;
    const int left = (W - boxW) / 2;
    const int top = (barsEnd - boxH) / 2;
    for (int y = top; y < top + boxH; ++y)
        std::memset(&frame[size_t(y) * W + left], 16, size_t(boxW));
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* glyph = kGlyphs[text[i] == '-' ? 10 : text[i] - '0'];
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx) {
                if (!(glyph[gy] & (0x10 >> gx)))
                    continue;
                int x0 = left + 2 * kScale + int(i) * kGlyphWidth + gx * kScale;
                int y0 = top + kScale + gy * kScale;
                for (int y = y0; y < y0 + kScale; ++y)
                    std::memset(&frame[size_t(y) * W + x0], 235, kScale);
            }
    }
    return plnFileOf(frame);
}

std::vector<uint8_t> frameFromUpload(const std::string& upload)
{
    const size_t W = kSimFrameWidth;
    std::vector<uint8_t> frame(W * kSimFrameHeight);
    const size_t columns = upload.size() / kSimFrameHeight;
    for (size_t y = 0; y < size_t(kSimFrameHeight) && columns > 0; ++y)
        std::memcpy(&frame[y * W], upload.data() + y * columns, std::min(columns, W));
    return frame;
}

std::vector<uint8_t> withReportedGains(const std::vector<uint8_t>& frame)
{
    static_assert(kSimImageInfo[0] == 3, "the sites below are laid out blue-green / green-red");
    const float red = gainFactor(kSimImageInfo[1]);
    const float green = gainFactor(kSimImageInfo[2]);
    const float blue = gainFactor(kSimImageInfo[3]);
    std::vector<uint8_t> out(frame.size());
    const size_t W = kSimFrameWidth;
    for (size_t i = 0; i < frame.size(); ++i) {
        const size_t x = i % W, y = i / W;
        const float factor = (x % 2 == 0 && y % 2 == 0) ? blue : (x % 2 == 1 && y % 2 == 1) ? red : green;
        out[i] = gained(frame[i], factor);
    }
    return out;
}
