#include "image/gain.h"

#include "image/bayer_pattern.h"

#include <algorithm>

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

void gainSites(const PixelArray& in, const HkrHeader& header, GainDirection direction, PixelArray& out)
{
    if (header.bayerPattern > 3) {
        out.assignZero(in.width, in.height);
        return;
    }
    out.resizeForOverwrite(in.width, in.height);
    if (header.gainR == 0 && header.gainG == 0 && header.gainB == 0) {
        // Factor 1 leaves every byte as it is both ways (what every raw file and download carries).
        std::copy(in.data.begin(), in.data.end(), out.data.begin());
        return;
    }
    const auto makeTable = direction == GainDirection::Apply ? makeGainTable : makeUngainTable;
    const GainTable tables[3] = {makeTable(header.gainR), makeTable(header.gainG), makeTable(header.gainB)};
    for (int32_t y = 0; y < out.height; ++y) {
        const GainTable& even = tables[static_cast<int>(siteColour(header.bayerPattern, 0, y))];
        const GainTable& odd = tables[static_cast<int>(siteColour(header.bayerPattern, 1, y))];
        const uint8_t* row = in.row(y);
        uint8_t* o = out.row(y);
        int32_t x = 0;
        for (; x + 1 < out.width; x += 2) {
            o[x] = even[row[x]];
            o[x + 1] = odd[row[x + 1]];
        }
        if (x < out.width)
            o[x] = even[row[x]];
    }
}
