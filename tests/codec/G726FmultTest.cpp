// The predictor's FMULT against the Recommendation's register-level
// description, over coefficients across the whole 16-bit range and a spread
// of floating values, exponent sums above 26 included (ordinary signals never
// reach them). Built into both test executables, so it checks the SSE2 lanes
// and the portable version.
#include <gtest/gtest.h>

#include "G726Fmult.h"

namespace {

// FMULT as the Recommendation writes it, on 16-bit register values.
int RecommendationFmult(int an, int exp, int mant, int negative) {
    const int reg = an & 0xFFFF;
    const int anS = reg >> 15;
    const int anMag = anS ? (16384 - (reg >> 2)) & 8191 : reg >> 2;
    int anExp = 0;
    while ((1 << anExp) <= anMag) ++anExp;
    const int anMant = anMag == 0 ? 32 : (anMag << 6) >> anExp;
    const int wanS = anS ^ negative;
    const int wanExp = anExp + exp;
    const int wanMant = ((mant * anMant) + 48) >> 4;
    const int wanMag = wanExp > 26 ? ((wanMant << 7) << (wanExp - 26)) & 32767
                                   : (wanMant << 7) >> (26 - wanExp);
    return wanS ? -wanMag : wanMag;
}

TEST(G726Fmult, MatchesTheRegisterDescriptionOnEveryTap) {
    tamvox::PredictorTaps taps{};
    int mismatches = 0;
    for (int an = -32768; an < 32768; an += 5) {
        for (int exp = 0; exp < 16; ++exp) {
            for (int mant : {32, 33, 45, 58, 63}) {
                if (exp == 0 && mant != 32) continue;  // zero has mantissa 32
                // Each tap gets different inputs so that a lane mix-up shows.
                int expectZero = 0;
                int expectPole = 0;
                for (int i = 0; i < 8; ++i) {
                    const int a = static_cast<int16_t>(an + 977 * i);
                    const int e = (exp + i) & 15;
                    const int m = e == 0 ? 32 : mant;
                    const int negative = (i * 5 + exp) & 1;
                    taps.coef[i] = a;
                    taps.exp[i] = e;
                    taps.mant[i] = m;
                    taps.neg[i] = -negative;
                    (i < 6 ? expectZero : expectPole) += RecommendationFmult(a, e, m, negative);
                }
                const tamvox::PredictorSums sums = tamvox::FmultSums(taps);
                if (sums.zero != expectZero || sums.pole != expectPole) {
                    if (++mismatches <= 5)
                        ADD_FAILURE() << "an " << an << " exp " << exp << " mant " << mant << ": zero "
                                      << sums.zero << " (want " << expectZero << "), pole " << sums.pole
                                      << " (want " << expectPole << ")";
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
