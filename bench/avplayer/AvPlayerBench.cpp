// Time to first picture and seek latency of the recorded-file player for a
// recording served by the simulator's HTTP file server on loopback.
#include "AvPlayer.h"
#include "SimProcess.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClipSeconds = 10;

// One simulator for the whole run, serving a clip of kClipSeconds.
class Server {
public:
    Server() {
        m_dir = std::filesystem::temp_directory_path() / ("avplayer-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
        std::ifstream in(AVPLAYER_SIM_SCENARIO);
        std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string from = "\"clipSeconds\": 1";
        size_t at = json.find(from);
        if (at != std::string::npos) json.replace(at, from.size(), "\"clipSeconds\": " + std::to_string(kClipSeconds));
        std::ofstream(m_dir / "scenario.json") << json;
        m_sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--scenario", (m_dir / "scenario.json").string(), "--port", "0", "--cache-dir",
                                     m_dir.string(), "--quiet"},
            AVPLAYER_SIM_PROGRAM);
        m_ready = m_sim->WaitReady(60000);
    }
    ~Server() {
        m_sim.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Ready() const { return m_ready; }
    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_sim->http) + "/rec/T2/1700000000_1700000600.mp4";
    }

private:
    std::filesystem::path m_dir;
    std::unique_ptr<simtest::SimProcess> m_sim;
    bool m_ready = false;
};

Server& TheServer() {
    static Server server;
    return server;
}

// Polls at 0.2 ms: finer than anything measured here.
template <class Pred>
bool Await(Pred done, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

double Seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Open + Play until the first picture is in the slot.
void BM_TimeToFirstPicture(benchmark::State& state) {
    if (!TheServer().Ready()) return state.SkipWithError("simulator not ready");
    double worst = 0;
    for (auto _ : state) {
        auto player = kelvo::AvPlayer::Create(nullptr, nullptr);
        Clock::time_point t0 = Clock::now();
        if (!player->Open(TheServer().Url()) || !player->Play()) return state.SkipWithError("open failed");
        if (!Await([&] { return player->PictureCount() >= 1; }, 5000)) return state.SkipWithError("no picture");
        double took = Seconds(t0);
        worst = std::max(worst, took);
        state.SetIterationTime(took);
        player->Destory();
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_TimeToFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Seek call to the first picture at the target. Targets alternate so that
// each lands in another GOP, at worst just before the next key frame.
void BM_SeekLatency(benchmark::State& state) {
    if (!TheServer().Ready()) return state.SkipWithError("simulator not ready");
    auto player = kelvo::AvPlayer::Create(nullptr, nullptr);
    if (!player->Open(TheServer().Url()) || !player->Play()) return state.SkipWithError("open failed");
    if (!Await([&] { return player->PictureCount() >= 1; }, 5000)) return state.SkipWithError("no picture");
    const double fractions[] = {0.75, 0.15, 0.55, 0.35, 0.95, 0.05};
    size_t i = 0;
    double worst = 0;
    for (auto _ : state) {
        double fraction = fractions[i++ % std::size(fractions)];
        double target = fraction * player->GetDuration();
        uint64_t before = player->PictureCount();
        Clock::time_point t0 = Clock::now();
        player->Seek(fraction);
        bool landed = Await(
            [&] {
                kelvo::PlayerPicture p;
                return player->PictureCount() > before && player->CopyPicture(&p) && p.position >= target - 0.01 &&
                       p.position < target + 0.5;
            },
            5000);
        if (!landed) return state.SkipWithError("seek did not land");
        double took = Seconds(t0);
        worst = std::max(worst, took);
        state.SetIterationTime(took);
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_SeekLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
