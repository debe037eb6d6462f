// The demosaic interior for the x86-64 baseline (SSE2).
#include "image/demosaic_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

#include "image/demosaic_kernel.h"

namespace {

struct Sse2 {
    using V = __m128i;
    using F = __m128;
    static constexpr int32_t kLanes = 16;

    static V load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static V splat(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static F splatF(float f) { return _mm_set1_ps(f); }
    static V evenLanes(bool even) { return _mm_set1_epi16(even ? 0x00FF : static_cast<short>(0xFF00)); }
    static V avg(V a, V b) { return _mm_avg_epu8(a, b); }
    static V sub(V a, V b) { return _mm_sub_epi8(a, b); }
    static V bitXor(V a, V b) { return _mm_xor_si128(a, b); }
    static V bitAnd(V a, V b) { return _mm_and_si128(a, b); }
    static V bitAndNot(V notThis, V b) { return _mm_andnot_si128(notThis, b); }
    static V select(V mask, V a, V b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }

    // Products round to float32, the conversion rounds half to even (the default mode) and
    // the saturating packs give 255 for anything above 255.
    static V scale(V v, F factor)
    {
        const V zero = _mm_setzero_si128();
        auto half = [&](V words) {
            const V a = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), factor));
            const V b = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)), factor));
            return _mm_packs_epi32(a, b);
        };
        return _mm_packus_epi16(half(_mm_unpacklo_epi8(v, zero)), half(_mm_unpackhi_epi8(v, zero)));
    }

    static void storeBgr(uint8_t* out, V b, V g, V r)
    {
        const V zero = _mm_setzero_si128();
        const V bgLow = _mm_unpacklo_epi8(b, g);
        const V bgHigh = _mm_unpackhi_epi8(b, g);
        const V r0Low = _mm_unpacklo_epi8(r, zero);
        const V r0High = _mm_unpackhi_epi8(r, zero);
        alignas(16) uint32_t pixel[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(pixel + 0), _mm_unpacklo_epi16(bgLow, r0Low));
        _mm_store_si128(reinterpret_cast<__m128i*>(pixel + 4), _mm_unpackhi_epi16(bgLow, r0Low));
        _mm_store_si128(reinterpret_cast<__m128i*>(pixel + 8), _mm_unpacklo_epi16(bgHigh, r0High));
        _mm_store_si128(reinterpret_cast<__m128i*>(pixel + 12), _mm_unpackhi_epi16(bgHigh, r0High));
        // Four-byte stores, each overwriting the spare fourth byte of the one before.
        for (int i = 0; i < 15; ++i)
            std::memcpy(out + 3 * i, &pixel[i], 4);
        std::memcpy(out + 45, &pixel[15], 3);
    }
};

} // namespace

int32_t demosaicInteriorSse2(const DemosaicRow& row)
{
    return demosaicInteriorFor<Sse2>(row);
}

#else

int32_t demosaicInteriorSse2(const DemosaicRow&)
{
    return 1;
}

#endif
