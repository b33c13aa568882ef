// The ADPCM state of one G.726 encoder or decoder and its per-sample steps,
// in the integer arithmetic of ITU-T G.726: adaptive quantiser, scale factor
// adaptation with speed control, the pole-zero adaptive predictor with its
// floating-point-like multiplications, and tone and transition detection.
//
// The steps are templates on the rate (G726Rates.h) and live in this header
// so that a coding loop inlines them and never branches on the rate.
//
// Thread: none of its own; one user at a time.
#pragma once

#include <cstdint>

#include "G726Fmult.h"
#include "G726Rates.h"

namespace tamvox {

class G726State {
public:
    G726State() = default;

    // One encoder step: `sl` is a 14-bit linear sample (-8192..8191).
    // Returns the code word of Rate::kBits bits.
    template <class Rate>
    int Encode(int sl) {
        const Prediction p = Predict();
        const int d = sl - p.se;
        const int dqm = d < 0 ? -d : d;
        // LOG: 4-bit exponent and 7-bit linear mantissa of |D|.
        const int exp = FloorLog2(dqm | 1);
        const int dl = (exp << 7) + (((dqm << 7) >> exp) & 127);
        const int dln = (dl - (p.y >> 2)) & 4095;
        const int code = kCodeTables<Rate>.quant[(d < 0 ? 4096 : 0) | dln];
        Adapt<Rate>(code, p);
        return code;
    }

    // One decoder step. Returns the reconstructed signal SR, a 16-bit value
    // that may leave the 14-bit range on loud passages (the caller limits it).
    template <class Rate>
    int Decode(int code) {
        return Adapt<Rate>(code, Predict());
    }

private:
    struct Prediction {
        int y;    // quantiser scale factor
        int se;   // signal estimate
        int sez;  // its zero (B coefficient) part
    };

    // Tap indices of the predictor: B1..B6 with DQ1..DQ6, then A1, A2 with
    // SR1, SR2.
    static constexpr int kA1 = 6;
    static constexpr int kA2 = 7;

    // floor(log2(x)) for x >= 1; a single bit scan.
    static int FloorLog2(unsigned x) { return 31 ^ __builtin_clz(x); }
    // Number of significant bits of x < 2^31, 0 for 0.
    static int BitLength(unsigned x) { return FloorLog2((x << 1) | 1); }
    static int Wrap16(int x) { return static_cast<int16_t>(x); }

    // FLOATA / FLOATB: stores a value in the floating format at tap `i`.
    // A non-zero magnitude always has the mantissa's top bit set, so or-ing
    // in 32 only changes the zero, whose mantissa is 32.
    void SetTapValue(int i, int negative, int mag) {
        const int exp = BitLength(static_cast<unsigned>(mag));
        m_taps.exp[i] = exp;
        m_taps.mant[i] = ((mag << 6) >> exp) | 32;
        m_taps.neg[i] = -negative;
    }

    Prediction Predict() const {
        const PredictorSums sums = FmultSums(m_taps);
        const int sezi = Wrap16(sums.zero);
        const int sei = Wrap16(sezi + sums.pole);

        // MIX of the fast and slow scale factors, the product truncated
        // towards zero.
        const int al = m_ap >= 256 ? 64 : m_ap >> 2;
        const int ylShort = m_yl >> 6;
        const int prod = (m_yu - ylShort) * al;
        const int y = ylShort + (prod >= 0 ? prod >> 6 : -((-prod) >> 6));
        return Prediction{y, sei >> 1, sezi >> 1};
    }

    // Inverse quantiser, reconstruction and every adaptation of one sample.
    // Returns SR.
    template <class Rate>
    int Adapt(int code, const Prediction& p) {
        const auto& t = kCodeTables<Rate>;
        const int sign = code >> (Rate::kBits - 1);

        // ADDA and ANTILOG. Y <= 5120 keeps DQL below 1920, so the exponent
        // is at most 14.
        const int dql = t.dqln[code] + (p.y >> 2);
        const int dqMag = dql < 0 ? 0 : ((128 + (dql & 127)) << 7) >> (14 - (dql >> 7));
        const int dq = sign ? -dqMag : dqMag;
        const int sr = Wrap16(p.se + dq);
        const int dqsez = Wrap16(dq + p.sez);
        const int pk0 = dqsez < 0;

        // TRANS: a large step after a tone resets the predictor.
        bool tr = false;
        if (m_td) {
            const int ylInt = m_yl >> 15;
            const int ylFrac = (m_yl >> 10) & 31;
            const int thr = ylInt > 9 ? 31 << 10 : (32 + ylFrac) << ylInt;
            tr = dqMag > ((thr + (thr >> 1)) >> 1);
        }

        // FILTD, LIMB and FILTE: fast and slow scale factors.
        int yu = p.y + ((t.w[code] - p.y) >> 5);
        yu = yu < 544 ? 544 : (yu > 5120 ? 5120 : yu);
        m_yu = yu;
        m_yl += yu + ((-m_yl) >> 6);

        if (tr) {
            for (int32_t& c : m_taps.coef) c = 0;
        } else {
            UpdateCoefficients<Rate>(sign, dqMag, dqsez, pk0);
        }

        for (int i = 5; i > 0; --i) {
            m_taps.exp[i] = m_taps.exp[i - 1];
            m_taps.mant[i] = m_taps.mant[i - 1];
            m_taps.neg[i] = m_taps.neg[i - 1];
        }
        SetTapValue(0, sign, dqMag);
        m_taps.exp[kA2] = m_taps.exp[kA1];
        m_taps.mant[kA2] = m_taps.mant[kA1];
        m_taps.neg[kA2] = m_taps.neg[kA1];
        SetTapValue(kA1, sr < 0, sr < 0 ? (-sr) & 0x7FFF : sr);
        m_pk[1] = m_pk[0];
        m_pk[0] = pk0;

        // TONE, then the speed control (FILTA, FILTB, SUBTC, FILTC, TRIGA).
        m_td = m_taps.coef[kA2] < -11776;
        const int fi = t.f[code];
        m_dms += (fi - m_dms) >> 5;
        m_dml += ((fi << 2) - m_dml) >> 7;
        if (tr) {
            m_ap = 256;
        } else {
            const int diff = (m_dms << 2) - m_dml;
            const bool fast = p.y < 1536 || m_td || (diff < 0 ? -diff : diff) >= (m_dml >> 3);
            m_ap += ((fast ? 512 : 0) - m_ap) >> 4;
        }
        return sr;
    }

    // UPA2, LIMC, UPA1, LIMD and UPB.
    template <class Rate>
    void UpdateCoefficients(int sign, int dqMag, int dqsez, int pk0) {
        const int pks1 = pk0 ^ m_pk[0];
        const int pks2 = pk0 ^ m_pk[1];
        const int oldA1 = m_taps.coef[kA1];
        const int oldA2 = m_taps.coef[kA2];
        int a2 = oldA2 - (oldA2 >> 7);
        int a1 = oldA1 - (oldA1 >> 8);
        if (dqsez != 0) {
            const int a1Limited = oldA1 < -8191 ? -8191 : (oldA1 > 8191 ? 8191 : oldA1);
            const int fa = pks1 ? a1Limited * 4 : -a1Limited * 4;
            a2 += ((pks2 ? -16384 : 16384) + fa) >> 7;
            a1 += pks1 ? -192 : 192;
        }
        a2 = a2 < -12288 ? -12288 : (a2 > 12288 ? 12288 : a2);
        const int a1Limit = 15360 - a2;
        a1 = a1 < -a1Limit ? -a1Limit : (a1 > a1Limit ? a1Limit : a1);
        m_taps.coef[kA1] = a1;
        m_taps.coef[kA2] = a2;

        // Each Bn moves by 2^-7 towards the sign agreement of DQ and DQn,
        // unless DQ is zero.
        const int gain = dqMag != 0 ? 128 : 0;
        for (int i = 0; i < 6; ++i) {
            const int b = m_taps.coef[i];
            const int disagree = -sign ^ m_taps.neg[i];  // 0 or -1
            m_taps.coef[i] = Wrap16(b - (b >> Rate::kLeakShift) + ((gain ^ disagree) - disagree));
        }
    }

    // Initial values of the Recommendation: coefficients 0, past values
    // DQ and SR the floating-point zero (exponent 0, mantissa 32).
    int32_t m_yl = 34816;
    int m_yu = 544;
    int m_dms = 0;
    int m_dml = 0;
    int m_ap = 0;
    int m_pk[2] = {0, 0};
    PredictorTaps m_taps = {{0, 0, 0, 0, 0, 0, 0, 0},
                            {0, 0, 0, 0, 0, 0, 0, 0},
                            {32, 32, 32, 32, 32, 32, 32, 32},
                            {0, 0, 0, 0, 0, 0, 0, 0}};
    int m_td = 0;
};

}  // namespace tamvox
