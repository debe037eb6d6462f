#pragma once
// The colour gains: a gain byte g means "add g percent", applied with float32 arithmetic.

#include "image/sensor_image.h"

#include <array>
#include <cmath>
#include <cstdint>

// The float32 nearest to (100 + g) / 100. Computing it in double and rounding once gives
// the nearest float for every g; float arithmetic (1.0f + g / 100.0f) is off for 39 values.
inline float gainFactor(uint8_t g)
{
    return static_cast<float>((100.0 + g) / 100.0);
}

// v x factor rounded to float32 on its own (the image code is built without contraction
// into fused multiply-adds), then 255 above 255, otherwise rounded half to even.
inline uint8_t scaleByGain(uint8_t v, float factor)
{
    const float product = static_cast<float>(v) * factor;
    if (product > 255.0f)
        return 255;
    return static_cast<uint8_t>(std::nearbyintf(product));
}

// v / factor rounded to float32, then to the nearest integer, halves to even.
inline uint8_t unscaleByGain(uint8_t v, float factor)
{
    const float quotient = static_cast<float>(v) / factor;
    return static_cast<uint8_t>(std::nearbyintf(quotient));
}

using GainTable = std::array<uint8_t, 256>;

// scaleByGain for every byte: the same bytes without per-pixel float arithmetic.
GainTable makeGainTable(uint8_t gain);
GainTable makeUngainTable(uint8_t gain);

enum class GainDirection { Apply, Remove };

// Every site of in, scaled by (Apply) or divided by (Remove) the gain of its colour in the
// header's pattern, into out (resized to in). A pattern code above 3 gives no site a colour,
// so out is all 0.
void gainSites(const PixelArray& in, const HkrHeader& header, GainDirection direction, PixelArray& out);
