// The stream pipeline against a loopback relay fed from pre-encoded loops.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "VideoDecoder.h"
#include "network/StreamChannel.h"
#include "support/H264Clip.h"
#include "tests/network/FakeRelay.h"

using namespace testing_support;

namespace {

const std::vector<kelvo::testsupport::EncodedFrame>& Loop(int w, int h) {
    static std::map<std::pair<int, int>, std::vector<kelvo::testsupport::EncodedFrame>> cache;
    auto& clip = cache[{w, h}];
    if (clip.empty()) {
        std::string error;
        clip = kelvo::testsupport::EncodeH264Clip(w, h, 100, 50, &error);
    }
    return clip;
}

struct Counter {
    std::atomic<int> frames{0};
    std::mutex mutex;
    std::vector<uint64_t> delivered;  // tick of each delivery
    bool keepTicks = false;
    static void OnData(int, unsigned char*, int, int, int, int, void* user) {
        auto* self = static_cast<Counter*>(user);
        if (self->keepTicks) {
            std::lock_guard<std::mutex> lock(self->mutex);
            self->delivered.push_back(platform::TickMs());
        }
        ++self->frames;
    }
};

// A relay connection up to the description; the stream is ready to play.
struct Rig {
    LoopbackServer relayServer;
    SessionChannel session;
    std::unique_ptr<StreamChannel> stream;
    std::unique_ptr<PeerConnection> relay;
    Counter counter;

    Rig(int w, int h, bool keepTicks) {
        counter.keepTicks = keepTicks;
        stream = std::make_unique<StreamChannel>(&session);
        stream->Open(1, "127.0.0.1", relayServer.Port(), "u", "p", "cam");
        stream->SetDataType(0);
        stream->SetDataCallBack(&Counter::OnData, &counter);
        stream->StartStream();
        relay = relayServer.Accept();
        Bytes pkt;
        relay->ReadCommand(0x1001, &pkt);
        relay->Send(RelayLoginReply(0));
        relay->ReadCommand(0x1009, &pkt);
        relay->Send(DownloadReply(0, static_cast<uint16_t>(w), static_cast<uint16_t>(h), 25));
    }
    ~Rig() { stream->Stop(); }
};

}  // namespace

// Frames per second through a stream, unpaced (timestamp 0), decoded,
// delivered to a callback that only counts.
static void BM_StreamPipeline(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const auto& clip = Loop(w, h);
    Rig rig(w, h, false);
    for (auto _ : state) {
        const int target = rig.counter.frames + static_cast<int>(clip.size());
        std::thread feeder([&] {
            for (const auto& f : clip) rig.relay->Send(MediaPacket(0, 1, f.key ? 1 : 0, f.bytes));
        });
        while (rig.counter.frames < target) std::this_thread::sleep_for(std::chrono::microseconds(200));
        feeder.join();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
}
BENCHMARK(BM_StreamPipeline)->Args({704, 576})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

// The ceiling: libavcodec through the same decoder in a bare loop.
static void BM_BareDecode(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const auto& clip = Loop(w, h);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 2);
    for (auto _ : state) {
        auto decoder = kelvo::VideoDecoder::Create(w, h);
        for (const auto& f : clip)
            benchmark::DoNotOptimize(decoder->Decode(f.bytes.data(), static_cast<int>(f.bytes.size()), out.data(),
                                                     static_cast<int>(out.size())));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * clip.size()));
}
BENCHMARK(BM_BareDecode)->Args({704, 576})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

// Arrival on the socket to the data callback, at 25 fps with pacing on.
static void BM_StreamLatency(benchmark::State& state) {
    const auto& clip = Loop(704, 576);
    std::vector<double> latencies;
    for (auto _ : state) {
        Rig rig(704, 576, true);
        std::vector<uint64_t> sent;
        const uint64_t start = platform::TickMs();
        for (size_t i = 0; i < clip.size(); ++i) {
            const uint64_t due = start + 40 * i;
            while (platform::TickMs() < due) std::this_thread::sleep_for(std::chrono::microseconds(200));
            sent.push_back(platform::TickMs());
            rig.relay->Send(MediaPacket(static_cast<uint32_t>(1000 + 40 * i), 1, clip[i].key ? 1 : 0, clip[i].bytes));
        }
        while (rig.counter.frames < static_cast<int>(clip.size())) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard<std::mutex> lock(rig.counter.mutex);
        for (size_t i = 0; i < sent.size() && i < rig.counter.delivered.size(); ++i)
            latencies.push_back(static_cast<double>(rig.counter.delivered[i] - sent[i]));
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100];
}
BENCHMARK(BM_StreamLatency)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
