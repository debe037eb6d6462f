#include "image/pixel_conversion.h"

#include "image/bayer_pattern.h"
#include "image/gain.h"

#include <cstring>

bool fncBayerToRgb(ImageWorkspace& ws, SimdLevel level)
{
    const SensorImage& image = ws.sensorImage;
    const PixelArray& pixels = image.pixels;
    ws.bmpBuffer.resizeForOverwrite(pixels.width, pixels.height);
    if (pixels.empty())
        return true;
    const HkrHeader& h = image.hkrHeader;
    demosaicToBmpRows(pixels.data.data(), pixels.width, pixels.height, h.bayerPattern, h.gainR, h.gainG, h.gainB,
                      ws.bmpBuffer.bytes.data(), level);
    return true;
}

bool fncGrayToRgb(ImageWorkspace& ws)
{
    const PixelArray& pixels = ws.sensorImage.pixels;
    ws.bmpBuffer.resizeForOverwrite(pixels.width, pixels.height);
    if (!pixels.empty())
        greyToBmpRows(pixels.data.data(), pixels.width, pixels.height, ws.bmpBuffer.bytes.data());
    return true;
}

bool fncApplyGain(ImageWorkspace& ws)
{
    const SensorImage& image = ws.sensorImage;
    if (image.pixels.empty())
        return false;
    PixelArray& out = ws.uploadImage.pixels;
    const HkrHeader& h = image.hkrHeader;
    const uint8_t pattern = h.bayerPattern;
    if (pattern > 3) {
        out.assignZero(image.pixels.width, image.pixels.height); // no site is scaled: all 0
        return true;
    }
    out.resizeForOverwrite(image.pixels.width, image.pixels.height);
    if (h.gainR == 0 && h.gainG == 0 && h.gainB == 0) {
        // Factor 1 leaves every byte as it is (what every raw file and download carries).
        std::memcpy(out.data.data(), image.pixels.data.data(), out.data.size());
        return true;
    }
    const GainTable tables[3] = {makeGainTable(image.hkrHeader.gainR), makeGainTable(image.hkrHeader.gainG),
                                 makeGainTable(image.hkrHeader.gainB)};
    for (int32_t y = 0; y < out.height; ++y) {
        const GainTable& even = tables[static_cast<int>(siteColour(pattern, 0, y))];
        const GainTable& odd = tables[static_cast<int>(siteColour(pattern, 1, y))];
        const uint8_t* in = image.pixels.row(y);
        uint8_t* o = out.row(y);
        int32_t x = 0;
        for (; x + 1 < out.width; x += 2) {
            o[x] = even[in[x]];
            o[x + 1] = odd[in[x + 1]];
        }
        if (x < out.width)
            o[x] = even[in[x]];
    }
    return true;
}
