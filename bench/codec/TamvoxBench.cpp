// Encode and decode speed of Tamvox against spandsp's G.726 on the same
// 10-second signal, per rate, with the Tamvox/spandsp ratio printed at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <spandsp/telephony.h>
#include <spandsp/g726.h>

#include "Tamvox.h"
#include "common/WireFormat.h"

namespace {

constexpr int kSamples = 80000;  // 10 s at 8 kHz
constexpr double kPi = 3.14159265358979323846;

// Speech-like: a gliding voiced tone with harmonics, a noise floor and a
// syllable-rate envelope with pauses.
const std::vector<int16_t>& Signal() {
    static const std::vector<int16_t> samples = [] {
        std::vector<int16_t> s(kSamples);
        std::mt19937 rng(42);
        std::normal_distribution<double> noise(0.0, 300.0);
        double phase = 0;
        for (int n = 0; n < kSamples; ++n) {
            const double t = n / 8000.0;
            const double pitch = 140 + 40 * std::sin(2 * kPi * 0.7 * t);
            phase += 2 * kPi * pitch / 8000.0;
            const double envelope = std::max(0.0, std::sin(2 * kPi * 2.5 * t));
            double v = envelope * (9000 * std::sin(phase) + 4000 * std::sin(3 * phase) +
                                   2000 * std::sin(7 * phase)) + noise(rng);
            s[n] = static_cast<int16_t>(std::lround(std::max(-32768.0, std::min(32767.0, v))));
        }
        return s;
    }();
    return samples;
}

const std::vector<uint8_t>& SignalBytes() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(2 * kSamples);
        for (int i = 0; i < kSamples; ++i) wire::PutU16(&b[2 * i], static_cast<uint16_t>(Signal()[i]));
        return b;
    }();
    return bytes;
}

int BitRate(int type) { return 16000 + 8000 * type; }

std::vector<uint8_t> CodeFor(int type) {
    void* enc = Tamvox_Create(type);
    std::vector<uint8_t> code(kSamples);
    code.resize(static_cast<size_t>(Tamvox_Encode(enc, SignalBytes().data(), 2 * kSamples, code.data(), nullptr)));
    Tamvox_Destroy(enc);
    return code;
}

void TamvoxEncode(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    void* codec = Tamvox_Create(type);
    std::vector<uint8_t> out(kSamples);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Tamvox_Encode(codec, SignalBytes().data(), 2 * kSamples, out.data(), nullptr));
        benchmark::ClobberMemory();
    }
    Tamvox_Destroy(codec);
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void SpandspEncode(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    g726_state_t* codec = g726_init(nullptr, BitRate(type), G726_ENCODING_LINEAR, G726_PACKING_LEFT);
    std::vector<uint8_t> out(kSamples);
    for (auto _ : state) {
        benchmark::DoNotOptimize(g726_encode(codec, out.data(), Signal().data(), kSamples));
        benchmark::ClobberMemory();
    }
    g726_free(codec);
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void TamvoxDecode(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const std::vector<uint8_t> code = CodeFor(type);
    void* codec = Tamvox_Create(type);
    std::vector<uint8_t> out(2 * kSamples + 16);
    int64_t samples = 0;
    for (auto _ : state) {
        samples += Tamvox_Decode(codec, code.data(), static_cast<int>(code.size()), out.data(), nullptr) / 2;
        benchmark::ClobberMemory();
    }
    Tamvox_Destroy(codec);
    state.SetItemsProcessed(samples);
}

void SpandspDecode(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const std::vector<uint8_t> code = CodeFor(type);
    g726_state_t* codec = g726_init(nullptr, BitRate(type), G726_ENCODING_LINEAR, G726_PACKING_LEFT);
    std::vector<int16_t> out(kSamples + 8);
    int64_t samples = 0;
    for (auto _ : state) {
        samples += g726_decode(codec, out.data(), code.data(), static_cast<int>(code.size()));
        benchmark::ClobberMemory();
    }
    g726_free(codec);
    state.SetItemsProcessed(samples);
}

// The machine is shared, so every figure is the median of five runs.
#define TAMVOX_BENCH(fn) \
    BENCHMARK(fn)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)
TAMVOX_BENCH(TamvoxEncode);
TAMVOX_BENCH(SpandspEncode);
TAMVOX_BENCH(TamvoxDecode);
TAMVOX_BENCH(SpandspDecode);

// Keeps the median samples/s of every benchmark so that the ratios can
// follow the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            const auto it = run.counters.find("items_per_second");
            if (it == run.counters.end()) continue;
            // "TamvoxEncode/2/repeats:5_median" -> "TamvoxEncode/2"
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find("/repeats"));
            m_rates[name] = it->second.value;
        }
    }

    void PrintRatios() const {
        std::printf("\nMedian samples/s, Tamvox / spandsp:\n%-8s %-7s %16s %16s %7s\n", "rate", "dir",
                    "Tamvox samp/s", "spandsp samp/s", "ratio");
        for (const char* dir : {"Encode", "Decode"}) {
            for (int type = 0; type < 4; ++type) {
                const std::string arg = "/" + std::to_string(type);
                const auto ours = m_rates.find(std::string("Tamvox") + dir + arg);
                const auto ref = m_rates.find(std::string("Spandsp") + dir + arg);
                if (ours == m_rates.end() || ref == m_rates.end()) continue;
                std::printf("%-8s %-7s %16.0f %16.0f %7.2f\n",
                            (std::to_string(BitRate(type) / 1000) + "k").c_str(), dir, ours->second,
                            ref->second, ours->second / ref->second);
            }
        }
    }

private:
    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
