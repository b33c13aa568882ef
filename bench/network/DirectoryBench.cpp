#include <benchmark/benchmark.h>

#include "network/CloudRecord.h"
#include "network/Directory.h"
#include "tests/network/FakeCentral.h"

using namespace testing_support;

namespace {

// The most nodes one reply can carry, as a tree of sites and groups, sent
// children first (worst order for the placing loop), and cameras spread
// over the groups.
std::vector<NodeSpec> Nodes(size_t count) {
    std::vector<NodeSpec> nodes;
    for (size_t i = 0; i < count; ++i) {
        std::string key = "node-" + std::to_string(i);
        std::string parent = i < 40 ? "" : "node-" + std::to_string(i % 40);
        nodes.push_back({key, "Group " + std::to_string(count - i), parent});
    }
    std::reverse(nodes.begin(), nodes.end());
    return nodes;
}

std::vector<Bytes> CameraReplies(size_t nodes, size_t cameras) {
    std::vector<Bytes> replies;
    std::vector<CameraSpec> batch;
    for (size_t i = 0; i < cameras; ++i) {
        batch.emplace_back("cam-" + std::to_string(i), "Camera " + std::to_string((i * 7919) % cameras),
                           "node-" + std::to_string(i % nodes));
        if (batch.size() == 1044 || i + 1 == cameras) {
            replies.push_back(CameraReply(batch));
            batch.clear();
        }
    }
    return replies;
}

}  // namespace

static void BM_DirectoryBuild(benchmark::State& state) {
    const size_t kNodes = 1422, kCameras = static_cast<size_t>(state.range(0));
    Bytes nodes = NodeReply(Nodes(kNodes));
    std::vector<Bytes> cams = CameraReplies(kNodes, kCameras);
    for (auto _ : state) {
        Directory d;
        d.ApplyNodeList(nodes.data(), nodes.size());
        for (const Bytes& r : cams) d.ApplyCameraList(r.data(), r.size(), "central");
        benchmark::DoNotOptimize(d.CameraTotal());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (kNodes + kCameras)));
}
BENCHMARK(BM_DirectoryBuild)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Reading the whole tree back through the getters, level by level.
static void BM_DirectoryReadAll(benchmark::State& state) {
    const size_t kNodes = 1422, kCameras = 20000;
    Bytes nodes = NodeReply(Nodes(kNodes));
    Directory d;
    d.ApplyNodeList(nodes.data(), nodes.size());
    for (const Bytes& r : CameraReplies(kNodes, kCameras)) d.ApplyCameraList(r.data(), r.size(), "c");
    std::vector<NodeInfo> nodeBuf(kNodes);
    std::vector<CameraInfo> camBuf(kCameras);
    for (auto _ : state) {
        size_t seen = 0;
        std::vector<std::string> pending{""};
        while (!pending.empty()) {
            std::string key = pending.back();
            pending.pop_back();
            int count = static_cast<int>(nodeBuf.size());
            int n = d.CopyNodes(key.c_str(), nodeBuf.data(), &count);
            for (int i = 0; i < n; ++i) pending.emplace_back(nodeBuf[i].key);
            if (!key.empty()) {
                count = static_cast<int>(camBuf.size());
                seen += static_cast<size_t>(std::max(0, d.CopyCameras(key.c_str(), camBuf.data(), &count)));
            }
        }
        benchmark::DoNotOptimize(seen);
    }
}
BENCHMARK(BM_DirectoryReadAll)->Unit(benchmark::kMillisecond);

// The largest query reply that fits one packet.
static void BM_RecordReplyParse(benchmark::State& state) {
    std::string tail;
    uint16_t count = 0;
    for (int64_t t = 1700000000; tail.size() < 204800 - 304 - 40; t += 600, ++count)
        tail += std::to_string(t) + "_" + std::to_string(t + 600) + ".mp4" + std::string(1, '\0');
    Bytes b = Packet(static_cast<uint32_t>(304 + tail.size()), 0x1014);
    PutLe16(b, 10, count);
    PutStr(b, 48, "http://reclocalhost:8118/records/");
    PutStr(b, 304, tail);
    for (auto _ : state) {
        uint16_t status;
        std::vector<RecordFile> files;
        CloudRecord::ParseQueryReply(b.data(), b.size(), "127.0.0.1", &status, &files);
        benchmark::DoNotOptimize(files.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * count);
}
BENCHMARK(BM_RecordReplyParse)->Unit(benchmark::kMicrosecond);
