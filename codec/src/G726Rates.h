// Constants of the four G.726 rates, indexed by the magnitude |I| of a code
// word, in the units of the Recommendation's integer description:
//   kDecision  quantiser decision levels on DLN = log2|D| - Y (1/128 steps),
//   kDqln      inverse quantiser outputs log2|DQ| - Y (1/128 steps),
//   kW         scale factor multipliers W(I) (1/16 steps),
//   kF         rate-of-change values F(I) of the speed control.
// A code word of n bits carries the sign in its top bit; negative codes are
// the one's complement of their magnitude.
#pragma once

#include <array>
#include <cstdint>

namespace tamvox {

struct G726Rate16 {
    static constexpr int kBits = 2;
    static constexpr int kLeakShift = 8;  // B coefficient leakage 2^-8
    static constexpr bool kZeroLevel = false;  // both levels are non-zero
    static constexpr std::array<int, 1> kDecision{{261}};
    static constexpr std::array<int, 2> kDqln{{116, 365}};
    static constexpr std::array<int, 2> kW{{-22, 439}};
    static constexpr std::array<int, 2> kF{{0, 7}};
};

struct G726Rate24 {
    static constexpr int kBits = 3;
    static constexpr int kLeakShift = 8;
    static constexpr bool kZeroLevel = true;
    static constexpr std::array<int, 3> kDecision{{8, 218, 331}};
    static constexpr std::array<int, 4> kDqln{{-2048, 135, 273, 373}};
    static constexpr std::array<int, 4> kW{{-4, 30, 137, 582}};
    static constexpr std::array<int, 4> kF{{0, 1, 2, 7}};
};

struct G726Rate32 {
    static constexpr int kBits = 4;
    static constexpr int kLeakShift = 8;
    static constexpr bool kZeroLevel = true;
    static constexpr std::array<int, 7> kDecision{{-124, 80, 178, 246, 300, 349, 400}};
    static constexpr std::array<int, 8> kDqln{{-2048, 4, 135, 213, 273, 323, 373, 425}};
    static constexpr std::array<int, 8> kW{{-12, 18, 41, 64, 112, 198, 355, 1122}};
    static constexpr std::array<int, 8> kF{{0, 0, 0, 1, 1, 1, 3, 7}};
};

struct G726Rate40 {
    static constexpr int kBits = 5;
    static constexpr int kLeakShift = 9;  // 40 kbit/s leaks more slowly
    static constexpr bool kZeroLevel = true;
    static constexpr std::array<int, 15> kDecision{
        {-122, -16, 68, 139, 198, 250, 298, 339, 378, 413, 445, 475, 502, 528, 553}};
    static constexpr std::array<int, 16> kDqln{
        {-2048, -66, 28, 104, 169, 224, 274, 318, 358, 395, 429, 459, 488, 514, 539, 566}};
    static constexpr std::array<int, 16> kW{
        {14, 14, 24, 39, 40, 41, 58, 100, 141, 179, 219, 280, 358, 440, 529, 696}};
    static constexpr std::array<int, 16> kF{{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 6}};
};

// Tables of one rate indexed directly by code word (and, for the quantiser,
// by the sign and the 12-bit DLN), built at compile time so that the coding
// loops do one lookup per step and never branch on the rate.
template <class Rate>
struct G726CodeTables {
    static constexpr int kCodes = 1 << Rate::kBits;

    std::array<int16_t, kCodes> dqln{};     // log2|DQ| - Y per code
    std::array<int32_t, kCodes> w{};        // W(I) in Y's 1/512 steps
    std::array<int16_t, kCodes> f{};        // F(I) in DMS's 1/512 steps
    std::array<uint8_t, 2 * 4096> quant{};  // [sign << 12 | DLN & 4095] -> code
};

template <class Rate>
constexpr G726CodeTables<Rate> BuildCodeTables() {
    constexpr int kCodes = G726CodeTables<Rate>::kCodes;
    G726CodeTables<Rate> t{};
    for (int code = 0; code < kCodes; ++code) {
        const int mag = code < kCodes / 2 ? code : kCodes - 1 - code;
        t.dqln[code] = static_cast<int16_t>(Rate::kDqln[mag]);
        t.w[code] = Rate::kW[mag] * 32;
        t.f[code] = static_cast<int16_t>(Rate::kF[mag] * 512);
    }
    for (int v = 0; v < 4096; ++v) {
        const int dln = v >= 2048 ? v - 4096 : v;  // 12-bit two's complement
        int i = 0;
        while (i < static_cast<int>(Rate::kDecision.size()) && dln >= Rate::kDecision[i]) ++i;
        // An all-zero code word is avoided where the rate has a zero level.
        const int positive = (i == 0 && Rate::kZeroLevel) ? kCodes - 1 : i;
        t.quant[v] = static_cast<uint8_t>(positive);
        t.quant[4096 + v] = static_cast<uint8_t>(kCodes - 1 - i);
    }
    return t;
}

template <class Rate>
inline constexpr G726CodeTables<Rate> kCodeTables = BuildCodeTables<Rate>();

}  // namespace tamvox
