// Test signals of 16-bit linear samples at 8 kHz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamvox_test {

struct TestSignal {
    std::string name;
    std::vector<int16_t> samples;
};

std::vector<int16_t> Tone(double hz, double amplitude, int count);
std::vector<int16_t> Chirp(double fromHz, double toHz, double amplitude, int count);
std::vector<int16_t> Noise(double amplitude, int count, uint32_t seed);
std::vector<int16_t> Square(int period, int count);  // full scale
std::vector<int16_t> Silence(int count);

// Tones, chirps, noise at several levels, full-scale squares and silence,
// each `count` samples long.
std::vector<TestSignal> AllSignals(int count);

// 16-bit little-endian PCM bytes of the samples.
std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples);

}  // namespace tamvox_test
