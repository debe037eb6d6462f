#pragma once
// What the vectorised interior loops need to know about one image row. Shared by the
// baseline and the AVX2 translation units; holds no code.

#include <cstdint>

struct DemosaicRow {
    const uint8_t* up;    // row y - 1
    const uint8_t* cur;   // row y
    const uint8_t* down;  // row y + 1
    uint8_t* out;         // the BMP row that receives image row y
    int32_t width;
    int nonGreenParity;   // parity of x of the row's red or blue sites
    bool nonGreenIsRed;   // the row's non-green sites are red (else blue)
    const float* factors; // red, green, blue gain factors; null when every gain is 0
};

// Each fills the interior sites x = 1 .. n-1 of the row and returns n: width - 1 when the
// row is wide enough for one vector, otherwise 1 (the caller does the sites).
int32_t demosaicInteriorSse2(const DemosaicRow& row);
int32_t demosaicInteriorAvx2(const DemosaicRow& row);
