#include <benchmark/benchmark.h>

#include <random>
#include <thread>

#include "network/BufferPool.h"
#include "network/PacketFramer.h"
#include "network/TcpSession.h"
#include "tests/support/TestSupport.h"

using namespace testing_support;

// Packets per second cut from 1 MB of mixed sizes.
static void BM_CutPackets(benchmark::State& state) {
    Bytes stream;
    std::mt19937 rng(7);
    std::uniform_int_distribution<uint32_t> size(8, 20000);
    size_t packets = 0;
    while (stream.size() < (1u << 20)) {
        Bytes p = Packet(size(rng), 0x1005);
        stream.insert(stream.end(), p.begin(), p.end());
        ++packets;
    }
    size_t sum = 0;
    for (auto _ : state) {
        size_t consumed = 0;
        framing::CutPackets(stream.data(), stream.size(), &consumed,
                            [&](const uint8_t* p, size_t n) { sum += p[n - 1] + n; });
        benchmark::DoNotOptimize(consumed);
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * packets));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_CutPackets);

// Hand-overs per second between a producer and a consumer thread.
static void BM_BufferPoolHandOver(benchmark::State& state) {
    const int kBatch = 100000;
    std::vector<uint8_t> frame(static_cast<size_t>(state.range(0)), 1);
    for (auto _ : state) {
        BufferPool pool(static_cast<uint32_t>(frame.size()));
        std::thread consumer([&] {
            for (int i = 0; i < kBatch; ++i) {
                Buffer* b = pool.AcquireFilled(1000);
                if (!b) return;
                pool.ReleaseFree(b);
            }
        });
        for (int i = 0; i < kBatch; ++i)
            pool.Produce(1, static_cast<uint32_t>(i), frame.data(), static_cast<uint32_t>(frame.size()), 1000);
        consumer.join();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kBatch);
}
BENCHMARK(BM_BufferPoolHandOver)->Arg(64)->Arg(40000)->UseRealTime();

namespace {
class Sink : public TcpSession {
public:
    ~Sink() override { Stop(); }
    std::atomic<uint64_t> bytes{0};

protected:
    bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) override {
        return framing::CutPackets(data, size, consumed,
                                   [this](const uint8_t*, size_t n) { bytes += n; });
    }
    void OnTimer() override {}
    void OnClose() override {}
};
}  // namespace

// MB/s one connection receives in 200 KB packets with its 20 ms poll.
static void BM_SessionReceive200K(benchmark::State& state) {
    LoopbackServer server;
    Sink sink;
    sink.SetServer("127.0.0.1", server.Port());
    sink.Start();
    auto peer = server.Accept();
    Bytes packet = Packet(200 * 1024, 0x1005);
    const int kPackets = 100;
    for (auto _ : state) {
        uint64_t target = sink.bytes + kPackets * packet.size();
        std::thread writer([&] {
            for (int i = 0; i < kPackets; ++i) peer->Send(packet);
        });
        while (sink.bytes < target) std::this_thread::sleep_for(std::chrono::microseconds(200));
        writer.join();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPackets * packet.size());
}
BENCHMARK(BM_SessionReceive200K)->UseRealTime()->Unit(benchmark::kMillisecond);
