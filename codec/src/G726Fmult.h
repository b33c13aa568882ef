// FMULT of ITU-T G.726 over the eight taps of the adaptive predictor:
// a 16-bit coefficient (2^-14 units) times a past value in the 11-bit
// floating format, summed into the zero section (taps 0-5: B1..B6 with
// DQ1..DQ6) and the pole section (taps 6-7: A1, A2 with SR1, SR2).
//
// The taps are independent, so x86-64 computes four at a time with SSE2.
// Every intermediate value is a non-negative integer below 2^24, which
// single-precision floats hold exactly; they stand in for the bit scans and
// the variable shifts that SSE2 lacks. The scalar version computes the same
// bits and is kept for other targets (and tested on this one).
#pragma once

#include <cstdint>

#if defined(__SSE2__) && !defined(TAMVOX_SCALAR_FMULT)
#include <emmintrin.h>
#define TAMVOX_SSE2_FMULT 1
#endif

namespace tamvox {

// Predictor taps in structure-of-arrays form. A tap's value is
// (-1)^neg * mant * 2^(exp - 6), with exp the bit length of the magnitude
// (0..15) and mant its top six bits (32 for a zero).
struct alignas(16) PredictorTaps {
    int32_t coef[8];
    int32_t exp[8];
    int32_t mant[8];
    int32_t neg[8];  // 0 or -1
};

struct PredictorSums {
    int zero;  // sum of the six zero-section products
    int pole;  // sum of the two pole-section products
};

#if defined(TAMVOX_SSE2_FMULT)

namespace detail {

inline __m128i FmultLanes(__m128i coef, __m128i exp, __m128i mant, __m128i neg) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_srai_epi32(coef, 2);
    const __m128i aSign = _mm_srai_epi32(a, 31);
    const __m128i anMag =
        _mm_and_si128(_mm_sub_epi32(_mm_xor_si128(a, aSign), aSign), _mm_set1_epi32(0x1FFF));
    // Float bits of |A|: biased exponent 127 + floor(log2), fraction below.
    const __m128i bits = _mm_castps_si128(_mm_cvtepi32_ps(anMag));
    const __m128i biased = _mm_srli_epi32(bits, 23);
    const __m128i anExp =
        _mm_and_si128(_mm_sub_epi32(biased, _mm_set1_epi32(126)), _mm_cmpgt_epi32(biased, zero));
    const __m128i anMant =
        _mm_or_si128(_mm_and_si128(_mm_srli_epi32(bits, 18), _mm_set1_epi32(31)), _mm_set1_epi32(32));
    // Both mantissas are below 64: a 16-bit multiply gives the whole product.
    const __m128i wMant =
        _mm_srli_epi32(_mm_add_epi32(_mm_mullo_epi16(anMant, mant), _mm_set1_epi32(48)), 4);
    // wMant * 2^(exp sum - 19), truncated: the scale is built as float bits.
    const __m128i scaleBits =
        _mm_slli_epi32(_mm_add_epi32(_mm_add_epi32(anExp, exp), _mm_set1_epi32(127 - 19)), 23);
    const __m128i mag = _mm_and_si128(
        _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(wMant), _mm_castsi128_ps(scaleBits))),
        _mm_set1_epi32(0x7FFF));
    const __m128i negate = _mm_xor_si128(neg, aSign);
    return _mm_sub_epi32(_mm_xor_si128(mag, negate), negate);
}

}  // namespace detail

inline PredictorSums FmultSums(const PredictorTaps& t) {
    const auto load = [](const int32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i low = detail::FmultLanes(load(t.coef), load(t.exp), load(t.mant), load(t.neg));
    const __m128i high =
        detail::FmultLanes(load(t.coef + 4), load(t.exp + 4), load(t.mant + 4), load(t.neg + 4));
    // Zero section: lanes 0-3 of `low` and 0-1 of `high`; pole: lanes 2-3 of `high`.
    const __m128i zero4 = _mm_add_epi32(low, _mm_unpacklo_epi64(high, _mm_setzero_si128()));
    const __m128i zero2 = _mm_add_epi32(zero4, _mm_shuffle_epi32(zero4, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i zero1 = _mm_add_epi32(zero2, _mm_shuffle_epi32(zero2, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m128i pole = _mm_add_epi32(high, _mm_shuffle_epi32(high, _MM_SHUFFLE(2, 3, 0, 1)));
    return PredictorSums{_mm_cvtsi128_si32(zero1), _mm_cvtsi128_si32(_mm_shuffle_epi32(pole, 2))};
}

#else

inline int Fmult(int an, int exp, int mant, int neg) {
    const int a = an >> 2;
    const int aSign = a >> 31;  // 0 or -1
    const int anMag = ((a ^ aSign) - aSign) & 0x1FFF;
    int anExp = 0;
    while ((1 << anExp) <= anMag) ++anExp;
    const int anMant = anMag ? (anMag << 6) >> anExp : 32;
    const int wMant = (anMant * mant + 48) >> 4;
    const int wExp = anExp + exp;  // 0..28
    const int mag = (wExp >= 19 ? wMant << (wExp - 19) : wMant >> (19 - wExp)) & 0x7FFF;
    const int negate = neg ^ aSign;
    return (mag ^ negate) - negate;
}

inline PredictorSums FmultSums(const PredictorTaps& t) {
    int sums[8];
    for (int i = 0; i < 8; ++i) sums[i] = Fmult(t.coef[i], t.exp[i], t.mant[i], t.neg[i]);
    return PredictorSums{sums[0] + sums[1] + sums[2] + sums[3] + sums[4] + sums[5], sums[6] + sums[7]};
}

#endif

}  // namespace tamvox
