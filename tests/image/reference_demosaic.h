#pragma once
// The plain demosaic, written straight from the neighbour-set table with every neighbour
// tested against the edges. The optimised code must give the same bytes.

#include <cstdint>
#include <vector>

// Returns bottom-up BMP rows (3 x width per row, blue-green-red, no padding).
std::vector<uint8_t> referenceDemosaic(const std::vector<uint8_t>& pixels, int width, int height, int patternCode,
                                       uint8_t gainR, uint8_t gainG, uint8_t gainB);

// The gain rule in its plainest form.
uint8_t referenceScale(uint8_t v, uint8_t gain);
