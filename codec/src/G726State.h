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

    // Predictor values (DQ and SR of past samples) in the floating format
    // of the Recommendation, kept unpacked for FMULT.
    struct Float {
        int32_t shift;     // 28 - exponent, exponent = bit length of the magnitude
        int32_t mant;      // 6-bit mantissa, 32..63 (32 for zero)
        int32_t negative;  // 0 or -1
    };

    // floor(log2(x)) for x >= 1; a single bit scan.
    static int FloorLog2(unsigned x) { return 31 ^ __builtin_clz(x); }
    // Number of significant bits of x < 2^31, 0 for 0.
    static int BitLength(unsigned x) { return FloorLog2((x << 1) | 1); }
    static int Wrap16(int x) { return static_cast<int16_t>(x); }

    // A non-zero magnitude always has the mantissa's top bit set, so or-ing
    // in 32 only changes the zero, whose mantissa is 32.
    static Float ToFloat(int negative, int mag) {
        const int exp = BitLength(static_cast<unsigned>(mag));
        return Float{28 - exp, ((mag << 6) >> exp) | 32, -negative};
    }

    // FMULT: coefficient `an` (16-bit, 2^-14 units) times a floating value.
    // Written without branches: it runs eight times per sample.
    static int Fmult(int an, const Float& f) {
        const int a = an >> 2;
        const int aSign = a >> 31;  // 0 or -1
        const int anMag = ((a ^ aSign) - aSign) & 0x1FFF;
        const int anExp = BitLength(static_cast<unsigned>(anMag));
        const int anMant = ((anMag << 6) >> anExp) | 32;
        const int mant = (anMant * f.mant + 48) >> 4;
        // Exponent sum 0..28: a shift of mant by (sum - 19) either way.
        const int mag = ((mant << 9) >> (f.shift - anExp)) & 0x7FFF;
        const int negate = f.negative ^ aSign;
        return (mag ^ negate) - negate;
    }

    Prediction Predict() const {
        int sezi = 0;
        for (int i = 0; i < 6; ++i) sezi += Fmult(m_b[i], m_dq[i]);
        sezi = Wrap16(sezi);
        const int sei = Wrap16(sezi + Fmult(m_a[1], m_sr[1]) + Fmult(m_a[0], m_sr[0]));

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
            m_a[0] = m_a[1] = 0;
            for (int16_t& b : m_b) b = 0;
        } else {
            UpdateCoefficients<Rate>(sign, dqMag, dqsez, pk0);
        }

        for (int i = 5; i > 0; --i) m_dq[i] = m_dq[i - 1];
        m_dq[0] = ToFloat(sign, dqMag);
        m_sr[1] = m_sr[0];
        m_sr[0] = sr < 0 ? ToFloat(1, (-sr) & 0x7FFF) : ToFloat(0, sr);
        m_pk[1] = m_pk[0];
        m_pk[0] = pk0;

        // TONE, then the speed control (FILTA, FILTB, SUBTC, FILTC, TRIGA).
        m_td = m_a[1] < -11776;
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
        int a2 = m_a[1] - (m_a[1] >> 7);
        int a1 = m_a[0] - (m_a[0] >> 8);
        if (dqsez != 0) {
            const int a1Limited = m_a[0] < -8191 ? -8191 : (m_a[0] > 8191 ? 8191 : m_a[0]);
            const int fa = pks1 ? a1Limited * 4 : -a1Limited * 4;
            a2 += ((pks2 ? -16384 : 16384) + fa) >> 7;
            a1 += pks1 ? -192 : 192;
        }
        a2 = a2 < -12288 ? -12288 : (a2 > 12288 ? 12288 : a2);
        const int a1Limit = 15360 - a2;
        a1 = a1 < -a1Limit ? -a1Limit : (a1 > a1Limit ? a1Limit : a1);
        m_a[0] = a1;
        m_a[1] = a2;

        // Each Bn moves by 2^-7 towards the sign agreement of DQ and DQn,
        // unless DQ is zero.
        const int gain = dqMag != 0 ? 128 : 0;
        for (int i = 0; i < 6; ++i) {
            const int disagree = -sign ^ m_dq[i].negative;  // 0 or -1
            const int b = m_b[i] - (m_b[i] >> Rate::kLeakShift) + ((gain ^ disagree) - disagree);
            m_b[i] = static_cast<int16_t>(b);  // a 16-bit register
        }
    }

    // Initial values of the Recommendation.
    static constexpr Float kZero{28, 32, 0};  // the floating-point zero, 32
    int32_t m_yl = 34816;
    int m_yu = 544;
    int m_dms = 0;
    int m_dml = 0;
    int m_ap = 0;
    int m_a[2] = {0, 0};
    int16_t m_b[6] = {0, 0, 0, 0, 0, 0};
    int m_pk[2] = {0, 0};
    Float m_dq[6] = {kZero, kZero, kZero, kZero, kZero, kZero};
    Float m_sr[2] = {kZero, kZero};
    int m_td = 0;
};

}  // namespace tamvox
