// The demosaic interior for processors with AVX2. This file alone is compiled with -mavx2;
// demosaic.cpp calls it only after checking the processor.
#include "image/demosaic_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include <array>

#include "image/demosaic_kernel.h"

namespace {

// Byte-shuffle controls that spread 16 blue, green or red bytes over the three 16-byte
// chunks of 16 interleaved pixels; -128 leaves a zero for the other channels.
constexpr std::array<int8_t, 16> interleaveControl(int chunk, int channel)
{
    std::array<int8_t, 16> control{};
    for (int j = 0; j < 16; ++j) {
        const int k = chunk * 16 + j;
        control[j] = (k % 3 == channel) ? static_cast<int8_t>(k / 3) : static_cast<int8_t>(-128);
    }
    return control;
}

struct Avx2 {
    using V = __m256i;
    using F = __m256;
    static constexpr int32_t kLanes = 32;

    static V load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static V splat(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static F splatF(float f) { return _mm256_set1_ps(f); }
    static V evenLanes(bool even) { return _mm256_set1_epi16(even ? 0x00FF : static_cast<short>(0xFF00)); }
    static V avg(V a, V b) { return _mm256_avg_epu8(a, b); }
    static V sub(V a, V b) { return _mm256_sub_epi8(a, b); }
    static V bitXor(V a, V b) { return _mm256_xor_si256(a, b); }
    static V bitAnd(V a, V b) { return _mm256_and_si256(a, b); }
    static V bitAndNot(V notThis, V b) { return _mm256_andnot_si256(notThis, b); }
    static V select(V mask, V a, V b) { return _mm256_blendv_epi8(b, a, mask); }

    static V scale(V v, F factor)
    {
        const V zero = _mm256_setzero_si256();
        auto half = [&](V words) {
            const V a = _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_unpacklo_epi16(words, zero)), factor));
            const V b = _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_unpackhi_epi16(words, zero)), factor));
            return _mm256_packs_epi32(a, b);
        };
        return _mm256_packus_epi16(half(_mm256_unpacklo_epi8(v, zero)), half(_mm256_unpackhi_epi8(v, zero)));
    }

    static V control(int chunk, int channel)
    {
        alignas(16) static constexpr std::array<std::array<std::array<int8_t, 16>, 3>, 3> kControls = {{
            {interleaveControl(0, 0), interleaveControl(0, 1), interleaveControl(0, 2)},
            {interleaveControl(1, 0), interleaveControl(1, 1), interleaveControl(1, 2)},
            {interleaveControl(2, 0), interleaveControl(2, 1), interleaveControl(2, 2)},
        }};
        return _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kControls[chunk][channel].data())));
    }

    static void storeBgr(uint8_t* out, V b, V g, V r)
    {
        // Each 128-bit half interleaves its own 16 pixels; the halves are then put in order.
        V chunk[3];
        for (int c = 0; c < 3; ++c)
            chunk[c] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, control(c, 0)),
                                                       _mm256_shuffle_epi8(g, control(c, 1))),
                                       _mm256_shuffle_epi8(r, control(c, 2)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(chunk[0], chunk[1], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(chunk[2], chunk[0], 0x30));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_permute2x128_si256(chunk[1], chunk[2], 0x31));
    }
};

} // namespace

int32_t demosaicInteriorAvx2(const DemosaicRow& row)
{
    return demosaicInteriorFor<Avx2>(row);
}

#else

int32_t demosaicInteriorAvx2(const DemosaicRow&)
{
    return 1;
}

#endif
