#include "image/gain.h"

GainTable makeGainTable(uint8_t gain)
{
    GainTable table{};
    const float factor = gainFactor(gain);
    for (int v = 0; v < 256; ++v)
        table[v] = scaleByGain(static_cast<uint8_t>(v), factor);
    return table;
}

GainTable makeUngainTable(uint8_t gain)
{
    GainTable table{};
    const float factor = gainFactor(gain);
    for (int v = 0; v < 256; ++v)
        table[v] = unscaleByGain(static_cast<uint8_t>(v), factor);
    return table;
}
