#include "TestSignals.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "common/WireFormat.h"

namespace tamvox_test {
namespace {

constexpr double kRate = 8000.0;
constexpr double kPi = 3.14159265358979323846;

int16_t Clip(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

}  // namespace

std::vector<int16_t> Tone(double hz, double amplitude, int count) {
    std::vector<int16_t> s(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) s[n] = Clip(amplitude * std::sin(2 * kPi * hz * n / kRate));
    return s;
}

std::vector<int16_t> Chirp(double fromHz, double toHz, double amplitude, int count) {
    std::vector<int16_t> s(static_cast<size_t>(count));
    const double seconds = count / kRate;
    for (int n = 0; n < count; ++n) {
        const double t = n / kRate;
        const double phase = 2 * kPi * (fromHz * t + (toHz - fromHz) * t * t / (2 * seconds));
        s[n] = Clip(amplitude * std::sin(phase));
    }
    return s;
}

std::vector<int16_t> Noise(double amplitude, int count, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<int16_t> s(static_cast<size_t>(count));
    for (auto& v : s) v = Clip(amplitude * u(rng));
    return s;
}

std::vector<int16_t> Square(int period, int count) {
    std::vector<int16_t> s(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) s[n] = (n % period) < period / 2 ? 32767 : -32768;
    return s;
}

std::vector<int16_t> Silence(int count) { return std::vector<int16_t>(static_cast<size_t>(count)); }

std::vector<TestSignal> AllSignals(int count) {
    return {
        {"tone1k_loud", Tone(1000, 30000, count)},
        {"tone300_mid", Tone(300, 6000, count)},
        {"tone3400_quiet", Tone(3400, 200, count)},
        {"chirp_loud", Chirp(50, 3950, 32000, count)},
        {"chirp_quiet", Chirp(3950, 100, 500, count)},
        {"noise_full", Noise(32767, count, 1)},
        {"noise_mid", Noise(4000, count, 2)},
        {"noise_low", Noise(40, count, 3)},
        {"square_8", Square(8, count)},
        {"square_80", Square(80, count)},
        {"silence", Silence(count)},
        // A tone that stops, then noise: exercises tone and transition detection.
        {"tone_then_step", [count] {
             auto s = Tone(2000, 12000, count);
             auto n = Noise(20000, count, 4);
             for (int i = count / 2; i < count; ++i) s[i] = n[i];
             return s;
         }()},
    };
}

std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) wire::PutU16(&b[2 * i], static_cast<uint16_t>(samples[i]));
    return b;
}

}  // namespace tamvox_test
