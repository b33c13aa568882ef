// How many 25 fps D1 streams the library keeps at full frame rate on this
// machine, against a KelvoSim started here with N D1 cameras (the simulator
// shares the machine: its CPU is reported apart).
//
//   wall_scale [--record] [N1 N2 ...]     (default 4 9 16)
// With --record every stream also records to an AVI file under /tmp.
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "KelvoNetwork.h"

extern char** environ;

namespace {

std::atomic<bool> g_ready{false};
void OnSession(int event, int, int, void*) {
    if (event == KELVO_SESSION_DIRECTORY_READY) g_ready = true;
}
void OnData(int type, unsigned char*, int, int, int, int, void* user) {
    if (type == 0) ++*static_cast<std::atomic<int>*>(user);
}

double CpuSeconds(int who) {
    rusage ru;
    getrusage(who, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double ProcessCpu(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string s;
    std::getline(f, s);
    size_t close = s.rfind(')');
    std::vector<std::string> fields;
    std::string cur;
    for (size_t i = close + 2; i < s.size(); ++i) {
        if (s[i] == ' ') {
            fields.push_back(cur);
            cur.clear();
        } else {
            cur += s[i];
        }
    }
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / sysconf(_SC_CLK_TCK);
}

long RssKb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return rss * sysconf(_SC_PAGESIZE) / 1024;
}

std::string Scenario(int n, const std::string& dir) {
    std::string path = dir + "/wall.json";
    std::ofstream f(path);
    f << "{\"central\":{\"port\":0},\"http\":{\"port\":0},\"relays\":[{\"id\":\"r\",\"port\":0}],"
         "\"recordServers\":[{\"id\":\"rec\",\"port\":0}],\"loopSeconds\":4,"
         "\"accounts\":[{\"user\":\"demo\",\"password\":\"demo\",\"videonum\":64}],"
         "\"nodes\":[{\"key\":\"S\",\"name\":\"wall\"}],\"cameras\":[";
    for (int i = 0; i < n; ++i)
        f << (i ? "," : "") << "{\"key\":\"D" << i << "\",\"name\":\"d1-" << i
          << "\",\"node\":\"S\",\"device\":" << 100 + i << ",\"width\":704,\"height\":576,\"fps\":25}";
    f << "]}";
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> counts;
    bool record = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--record")
            record = true;
        else
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) counts = {4, 9, 16};
    const char* bin = std::getenv("KELVO_BIN_DIR");
    std::string sim = std::string(bin ? bin : "build-rel/bin") + "/KelvoSim";
    char tmpl[] = "/tmp/kelvo-wall-XXXXXX";
    std::string dir = mkdtemp(tmpl);

    std::printf("| streams | delivered fps per stream (min/avg) | library CPU %% | per stream | simulator CPU %% | RSS MB | per stream MB |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (int n : counts) {
        std::string scenario = Scenario(n, dir);
        int pipefd[2];
        if (pipe(pipefd) != 0) return 1;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, pipefd[1], 1);
        std::vector<std::string> args = {sim, "--scenario", scenario, "--port", "0", "--cache-dir", dir};
        std::vector<char*> argvv;
        for (auto& a : args) argvv.push_back(a.data());
        argvv.push_back(nullptr);
        pid_t pid;
        if (posix_spawn(&pid, sim.c_str(), &fa, nullptr, argvv.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", sim.c_str());
            return 1;
        }
        close(pipefd[1]);
        FILE* out = fdopen(pipefd[0], "r");
        char line[1024];
        int port = 0;
        // Measure only once every camera's loop is encoded.
        while (fgets(line, sizeof line, out)) {
            if (std::string(line).rfind("KelvoSim ready central=", 0) == 0)
                port = std::atoi(std::strchr(line + 23, ':') + 1);
            if (std::string(line).find("media ready") != std::string::npos) break;
        }
        std::thread drain([out] {
            char buf[1024];
            while (fgets(buf, sizeof buf, out)) {
            }
        });

        g_ready = false;
        void* session = KelvoSession_Create();
        KelvoSession_SetCallBack(session, &OnSession, nullptr);
        KelvoSession_Login(session, "127.0.0.1", port, "demo", "demo", 0);
        while (!g_ready) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<void*> streams;
        std::vector<std::atomic<int>> frames(static_cast<size_t>(n));
        const long rss0 = RssKb();
        for (int i = 0; i < n; ++i) {
            void* s = KelvoStream_Create(session, ("D" + std::to_string(i)).c_str());
            KelvoStream_SetDataType(s, 0);
            KelvoStream_SetDataCallBack(s, &OnData, &frames[static_cast<size_t>(i)]);
            KelvoStream_Start(s);
            streams.push_back(s);
        }
        std::this_thread::sleep_for(std::chrono::seconds(5));  // warm up
        if (record)
            for (void* s : streams) KelvoStream_StartRecord(s, (dir + "/").c_str());
        std::vector<int> start(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) start[static_cast<size_t>(i)] = frames[static_cast<size_t>(i)];
        const double cpu0 = CpuSeconds(RUSAGE_SELF), sim0 = ProcessCpu(pid);
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = (CpuSeconds(RUSAGE_SELF) - cpu0) / secs * 100, simCpu = (ProcessCpu(pid) - sim0) / secs * 100;
        double minFps = 1e9, sum = 0;
        for (int i = 0; i < n; ++i) {
            double fps = (frames[static_cast<size_t>(i)] - start[static_cast<size_t>(i)]) / secs;
            minFps = std::min(minFps, fps);
            sum += fps;
        }
        const long rss = RssKb();
        std::printf("| %d | %.1f / %.1f | %.0f | %.1f | %.0f | %.0f | %.1f |\n", n, minFps, sum / n, cpu, cpu / n,
                    simCpu, rss / 1024.0, (rss - rss0) / 1024.0 / n);
        std::fflush(stdout);
        for (void* s : streams) KelvoStream_Destory(s);
        KelvoSession_Destory(session);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        drain.join();
        fclose(out);
    }
    const std::string rm = "rm -rf '" + dir + "'";
    return std::system(rm.c_str()) == 0 ? 0 : 1;
}
