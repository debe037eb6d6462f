#pragma once
// Which colour a Bayer site sees: it depends only on the parities of x and y.

#include <cstdint>

enum class SiteColour : uint8_t { Red = 0, Green = 1, Blue = 2 };

// Pattern codes 0 RGGB, 1 GBRG, 2 GRBG, 3 BGGR; the two letters of each row pair name the
// colours at even and odd x of the even row, then of the odd row.
inline SiteColour siteColour(int patternCode, int x, int y)
{
    static constexpr SiteColour kTable[4][2][2] = {
        {{SiteColour::Red, SiteColour::Green}, {SiteColour::Green, SiteColour::Blue}},
        {{SiteColour::Green, SiteColour::Blue}, {SiteColour::Red, SiteColour::Green}},
        {{SiteColour::Green, SiteColour::Red}, {SiteColour::Blue, SiteColour::Green}},
        {{SiteColour::Blue, SiteColour::Green}, {SiteColour::Green, SiteColour::Red}},
    };
    return kTable[patternCode & 3][y & 1][x & 1];
}

// The demosaic treats every code other than 0, 1 and 2 as BGGR.
inline int demosaicPatternCode(int patternCode)
{
    return (patternCode >= 0 && patternCode <= 2) ? patternCode : 3;
}
