#include "test_picture.h"

#include "image/gain.h"
#include "image/pln_file.h"
#include "image/sensor_image.h"

#include <algorithm>
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

} // namespace

std::string plnFileOf(const std::vector<uint8_t>& frame)
{
    SensorImage image;
    PlnHeader& h = image.plnHeader;
    h.prefix = {0x00, 0x00, 0x00, 0xBA, 0x01, 0x00, 0x00};
    h.colourFlag = 0;
    h.width = kSimFrameWidth;
    h.height = kSimFrameHeight;
    h.aux2 = kSimFrameHeight;
    image.pixels.width = kSimFrameWidth;
    image.pixels.height = kSimFrameHeight;
    image.pixels.data = frame;
    std::array<uint8_t, 4> check{};
    std::string error;
    computeCheckBytes(image, check, error); // cannot fail: no header value is negative
    std::array<uint8_t, PlnHeader::kSize> header = h.toBytes();
    std::string file(header.begin(), header.end());
    file.append(frame.begin(), frame.end());
    file.append(check.begin(), check.end());
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
    PixelArray raw;
    raw.width = kSimFrameWidth;
    raw.height = kSimFrameHeight;
    raw.data = frame;
    HkrHeader header;
    header.bayerPattern = uint8_t(kSimImageInfo[0]);
    header.gainR = uint8_t(kSimImageInfo[1]);
    header.gainG = uint8_t(kSimImageInfo[2]);
    header.gainB = uint8_t(kSimImageInfo[3]);
    PixelArray gained;
    gainSites(raw, header, GainDirection::Apply, gained);
    return gained.data;
}
