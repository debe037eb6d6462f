#pragma once
// Bilinear Bayer demosaic with truncating means and per-channel gains, written straight
// into bottom-up BMP rows (3 x width bytes per row, no padding, blue-green-red).

#include <cstdint>

enum class SimdLevel { Auto, Scalar, Sse2, Avx2 };

// True when the processor (and the build) can run the AVX2 path.
bool cpuHasAvx2();

// The level Auto stands for on this processor.
SimdLevel bestSimdLevel();

// pixels: width x height bytes, rows from the top. out: 3 x width x height bytes.
// A pattern code other than 0, 1 or 2 is BGGR. A level the processor lacks falls back to
// the best it has.
void demosaicToBmpRows(const uint8_t* pixels, int32_t width, int32_t height, int patternCode,
                       uint8_t gainR, uint8_t gainG, uint8_t gainB, uint8_t* out,
                       SimdLevel level = SimdLevel::Auto);

// Grey image: each raw value becomes equal blue, green and red bytes; no gains.
void greyToBmpRows(const uint8_t* pixels, int32_t width, int32_t height, uint8_t* out);
