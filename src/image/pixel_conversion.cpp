#include "image/pixel_conversion.h"

#include "image/gain.h"

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
    gainSites(image.pixels, image.hkrHeader, GainDirection::Apply, ws.uploadImage.pixels);
    return true;
}
