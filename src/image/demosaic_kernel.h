#pragma once
// The vectorised interior of a demosaic row, written once over a small set of vector
// operations and compiled once per instruction set (demosaic_sse2.cpp, demosaic_avx2.cpp).
// Everything sits in an anonymous namespace so that no inline function compiled for one
// instruction set can be picked up by the other translation unit.
//
// The means are formed on bytes without widening: floor((a + b) / 2) is avg(a, b) minus the
// low bit of a ^ b (avg rounds up), and floor((a + b + c + d) / 4) follows from the two
// halves and their dropped low bits. Sites of one row alternate between the row's red or
// blue colour and green, so each output channel is a per-lane choice between two means.

#include "image/demosaic_rows.h"

#include <cstdint>

namespace {

template <class T>
inline typename T::V floorMean2(typename T::V a, typename T::V b, typename T::V one, typename T::V& lowBit)
{
    lowBit = T::bitAnd(T::bitXor(a, b), one);
    return T::sub(T::avg(a, b), lowBit);
}

// floor((2 h1 + l1 + 2 h2 + l2) / 4) for halves h and dropped low bits l (0 or 1).
template <class T>
inline typename T::V floorMean4(typename T::V h1, typename T::V l1, typename T::V h2, typename T::V l2,
                                typename T::V one)
{
    // avg(h1, h2) rounds up; that is right only when both low bits were set.
    const typename T::V roundedUp = T::bitAnd(T::bitXor(h1, h2), one);
    return T::sub(T::avg(h1, h2), T::bitAndNot(T::bitAnd(l1, l2), roundedUp));
}

template <class T, bool kGains>
int32_t demosaicInterior(const DemosaicRow& row)
{
    using V = typename T::V;
    const V one = T::splat(1);
    typename T::F factorR{}, factorG{}, factorB{};
    if constexpr (kGains) {
        factorR = T::splatF(row.factors[0]);
        factorG = T::splatF(row.factors[1]);
        factorB = T::splatF(row.factors[2]);
    }
    // Sites x .. x + kLanes - 1; nonGreen marks the lanes of the row's red or blue sites.
    auto vectorAt = [&](int32_t x, V nonGreen) {
        const uint8_t* up = row.up + x;
        const uint8_t* cur = row.cur + x;
        const uint8_t* down = row.down + x;

        V verticalLow, horizontalLow;
        const V vertical = floorMean2<T>(T::load(up), T::load(down), one, verticalLow);
        const V horizontal = floorMean2<T>(T::load(cur - 1), T::load(cur + 1), one, horizontalLow);
        const V cross = floorMean4<T>(vertical, verticalLow, horizontal, horizontalLow, one);

        V upperLow, lowerLow;
        const V upper = floorMean2<T>(T::load(up - 1), T::load(up + 1), one, upperLow);
        const V lower = floorMean2<T>(T::load(down - 1), T::load(down + 1), one, lowerLow);
        const V diagonal = floorMean4<T>(upper, upperLow, lower, lowerLow, one);

        const V own = T::load(cur);
        // The row's own red or blue colour: the site at a red/blue site, left and right at green.
        const V rowColour = T::select(nonGreen, own, horizontal);
        const V green = T::select(nonGreen, cross, own);
        // The other of red and blue: the diagonals at a red/blue site, up and down at green.
        const V columnColour = T::select(nonGreen, diagonal, vertical);

        V red = row.nonGreenIsRed ? rowColour : columnColour;
        V blue = row.nonGreenIsRed ? columnColour : rowColour;
        V greenOut = green;
        if constexpr (kGains) {
            red = T::scale(red, factorR);
            greenOut = T::scale(greenOut, factorG);
            blue = T::scale(blue, factorB);
        }
        T::storeBgr(row.out + 3 * std::size_t(x), blue, greenOut, red);
    };
    // Lane i sits at x + i; it is a red or blue site when x + i has the row's parity for them.
    auto maskFor = [&](int32_t x) { return T::evenLanes(((x + row.nonGreenParity) & 1) == 0); };

    const int32_t lastStart = row.width - 1 - T::kLanes; // loads reach x + kLanes <= width - 1
    if (lastStart < 1)
        return 1;
    const V oddStartMask = maskFor(1);
    int32_t x = 1;
    for (; x <= lastStart; x += T::kLanes)
        vectorAt(x, oddStartMask);
    // The rest of the row: one more vector ending at the last interior site, overlapping
    // sites already written (they come out the same).
    if (x < row.width - 1)
        vectorAt(lastStart, maskFor(lastStart));
    return row.width - 1;
}

template <class T>
int32_t demosaicInteriorFor(const DemosaicRow& row)
{
    return row.factors ? demosaicInterior<T, true>(row) : demosaicInterior<T, false>(row);
}

} // namespace
