#include "image/bmp_to_raw.h"

#include "image/gain.h"

#include <limits>
#include <string>

bool fncBmpToRaw(ImageWorkspace& ws, ImageReporter& reporter)
{
    const int32_t width = ws.imageWidth;
    const int32_t height = ws.imageHeight;
    const BmpPixelBuffer& buffer = ws.bmpBuffer;
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int16_t>::max() ||
        height > std::numeric_limits<int16_t>::max()) {
        reporter.showError("The picture size " + std::to_string(width) + " x " + std::to_string(height) +
                           " is outside what a raw image can hold (1 to 32767 pixels each way).");
        return false;
    }
    if (buffer.width < width || buffer.height < height) {
        reporter.showError("The picture holds fewer pixels than its size says.");
        return false;
    }
    SensorImage& upload = ws.uploadImage;
    upload.hkrHeader = HkrHeader{3, 0, 0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height)};
    PlnHeader& pln = upload.plnHeader;
    pln.prefix = {0x00, 0x00, 0x00, 0xBA, 0x01, 0x00, 0x00};
    pln.colourFlag = 0;
    pln.width = static_cast<int16_t>(width);
    pln.height = static_cast<int16_t>(height);
    pln.aux1 = 0;
    pln.aux2 = static_cast<int16_t>(height);
    pln.auxBytes = {0, 0};
    pln.reserved.fill(255);
    upload.pixels.assignZero(width, height);
    // BGGR: blue at (even, even), red at (odd, odd), green elsewhere; image row y is buffer
    // row height-1-y, blue-green-red per pixel.
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* bgr = buffer.row(height - 1 - y);
        uint8_t* out = upload.pixels.row(y);
        const int evenChannel = (y & 1) ? 1 : 0; // green on odd rows, blue on even rows
        const int oddChannel = (y & 1) ? 2 : 1;  // red on odd rows, green on even rows
        int32_t x = 0;
        for (; x + 1 < width; x += 2) {
            out[x] = bgr[3 * x + evenChannel];
            out[x + 1] = bgr[3 * (x + 1) + oddChannel];
        }
        if (x < width)
            out[x] = bgr[3 * x + evenChannel];
    }
    return true;
}

bool fncRemoveGain(ImageWorkspace& ws)
{
    const SensorImage& upload = ws.uploadImage;
    if (upload.pixels.empty())
        return false;
    gainSites(upload.pixels, upload.hkrHeader, GainDirection::Remove, ws.sensorImage.pixels);
    return true;
}
