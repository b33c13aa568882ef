// How many D1 (704x576, 25 fps) streams one KelvoSim process serves from
// its pre-encoded loops, and its CPU per stream. Runs the real program on
// ephemeral ports, opens N relay streams and reads them for a few seconds.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/WireFormat.h"

namespace {

constexpr int kCameras = 4;
constexpr double kSeconds = 5.0;

struct Sim {
    pid_t pid = -1;
    int out = -1;
    uint16_t relayPort = 0;
    std::thread drain;

    bool Start(const std::string& scenario) {
        int p[2];
        if (pipe(p) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(p[1], 1);
            close(p[0]);
            execl(KELVO_SIM_PROGRAM, KELVO_SIM_PROGRAM, "--port", "0", "--scenario", scenario.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(p[1]);
        out = p[0];
        std::string text;
        bool ready = false, media = false;
        char buf[4096];
        while (!(ready && media)) {
            ssize_t n = read(out, buf, sizeof buf);
            if (n <= 0) return false;
            text.append(buf, n);
            size_t at = text.find(" relay=127.0.0.1:");
            if (!ready && at != std::string::npos) {
                relayPort = static_cast<uint16_t>(std::stoi(text.substr(at + 17)));
                ready = true;
            }
            media = text.find("media ready") != std::string::npos;
        }
        // Keep reading so the program never blocks on its log.
        drain = std::thread([this] {
            char b[4096];
            while (read(out, b, sizeof b) > 0) {}
        });
        return true;
    }
    double CpuSeconds() const {
        std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
        std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        std::istringstream rest(s.substr(s.rfind(')') + 2));
        std::string field;
        unsigned long long ut = 0, st = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) ut = std::stoull(field);
            if (i == 15) st = std::stoull(field);
        }
        return static_cast<double>(ut + st) / sysconf(_SC_CLK_TCK);
    }
    ~Sim() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0) close(out);
        if (drain.joinable()) drain.join();
    }
};

std::vector<uint8_t> Packet(uint32_t cmd, size_t len) {
    std::vector<uint8_t> b(len, 0);
    wire::PutU32(b.data(), static_cast<uint32_t>(len));
    wire::PutU32(b.data() + 4, cmd);
    return b;
}

int OpenStream(uint16_t port, int camera) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    auto login = Packet(0x1001, 84);
    wire::PutU32(&login[8], 0x2001);
    wire::PutText(&login[12], 36, "bench");
    wire::PutText(&login[48], 36, "bench");
    auto dl = Packet(0x1009, 136);
    wire::PutText(&dl[8], 128, ("D" + std::to_string(camera)).c_str());
    if (send(fd, login.data(), login.size(), 0) < 0 || send(fd, dl.data(), dl.size(), 0) < 0) return -1;
    return fd;
}

// Counts video packets per stream for `seconds`.
std::vector<long> ReadStreams(const std::vector<int>& fds, double seconds) {
    std::vector<long> frames(fds.size(), 0);
    std::vector<std::vector<uint8_t>> bufs(fds.size());
    std::vector<pollfd> pfds;
    for (int fd : fds) pfds.push_back({fd, POLLIN, 0});
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<uint8_t> chunk(1 << 16);
    while (std::chrono::steady_clock::now() < end) {
        if (poll(pfds.data(), pfds.size(), 50) <= 0) continue;
        for (size_t i = 0; i < pfds.size(); ++i) {
            if (!(pfds[i].revents & POLLIN)) continue;
            ssize_t n = recv(pfds[i].fd, chunk.data(), chunk.size(), 0);
            if (n <= 0) continue;
            auto& b = bufs[i];
            b.insert(b.end(), chunk.begin(), chunk.begin() + n);
            size_t off = 0;
            while (b.size() - off >= 14) {
                uint32_t len = wire::GetU32(&b[off]);
                if (len < 8 || b.size() - off < len) break;
                if (wire::GetU32(&b[off + 4]) == 0x1005 && b[off + 12] == 1) ++frames[i];
                off += len;
            }
            b.erase(b.begin(), b.begin() + off);
        }
    }
    return frames;
}

std::string WriteScenario() {
    std::string path = "/tmp/kelvosim-bench-" + std::to_string(getpid()) + ".json";
    std::ofstream f(path);
    f << "{\"central\": {\"port\": 0}, \"http\": {\"port\": 0}, \"relays\": [{\"id\": \"r\", \"port\": 0}],"
      << " \"recordServers\": [{\"id\": \"s\", \"port\": 0}],"
      << " \"accounts\": [{\"user\": \"bench\", \"password\": \"bench\"}],"
      << " \"nodes\": [{\"key\": \"N\", \"name\": \"bench\"}], \"cameras\": [";
    for (int i = 0; i < kCameras; ++i)
        f << (i ? "," : "") << "{\"key\": \"D" << i << "\", \"name\": \"D1 " << i
          << "\", \"node\": \"N\", \"device\": " << i + 1 << ", \"width\": 704, \"height\": 576, \"fps\": 25}";
    f << "]}";
    return path;
}

void BM_D1Streams(benchmark::State& state) {
    const int streams = static_cast<int>(state.range(0));
    std::string scenario = WriteScenario();
    Sim sim;
    if (!sim.Start(scenario)) {
        state.SkipWithError("KelvoSim did not start");
        return;
    }
    for (auto _ : state) {
        std::vector<int> fds;
        for (int i = 0; i < streams; ++i) fds.push_back(OpenStream(sim.relayPort, i % kCameras));
        ReadStreams(fds, 1.0);  // settle
        double cpu0 = sim.CpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        std::vector<long> frames = ReadStreams(fds, kSeconds);
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double cpu = sim.CpuSeconds() - cpu0;
        long total = 0, worst = frames.empty() ? 0 : frames[0];
        for (long f : frames) {
            total += f;
            worst = std::min(worst, f);
        }
        state.SetIterationTime(wall);
        state.counters["fps_per_stream"] = static_cast<double>(total) / streams / wall;
        state.counters["worst_stream_fps"] = static_cast<double>(worst) / wall;
        state.counters["sim_cpu_pct"] = 100.0 * cpu / wall;
        state.counters["cpu_pct_per_stream"] = 100.0 * cpu / wall / streams;
        for (int fd : fds) close(fd);
    }
    std::remove(scenario.c_str());
}

BENCHMARK(BM_D1Streams)->Arg(10)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
