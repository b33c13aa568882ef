// Fault-injection soak: the library against the simulator program while its
// fault switches cycle, five streams play and a local recording runs.
// Runs only when KELVO_SOAK_SECONDS is set (scripts/soak.sh).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "KelvoNetwork.h"
#include "tests/sim/SimProcess.h"
#include "tests/soak/SoakProbes.h"
#include "tests/support/TestSupport.h"

using testing_support::WaitFor;

namespace {

constexpr int kStreams = 5;
const char* const kKeys[kStreams] = {"C1", "C2", "C3", "C4", "C5"};

std::string MakeTempDir(const char* prefix) {
    std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    return mkdtemp(buf.data()) ? std::string(buf.data()) + "/" : std::string();
}

void RemoveTree(const std::string& dir) {
    std::string rm = "rm -rf '" + dir + "'";
    if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "soak: cannot remove %s\n", dir.c_str());
}

std::vector<std::string> AvisIn(const std::string& dir) {
    std::vector<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".avi") == 0) out.push_back(dir + n);
        }
        closedir(d);
    }
    return out;
}

// A record server that accepts and then never answers: connections are taken
// and held (the newest one) without a byte read or written.
class StalledServer {
public:
    StalledServer() {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(m_fd, 8) != 0 ||
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~StalledServer() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        for (int fd : m_held) close(fd);
        if (m_fd >= 0) close(m_fd);
    }
    int Port() const { return m_port; }

private:
    void Run() {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int c = accept(m_fd, nullptr, nullptr);
            if (c < 0) continue;
            m_held.push_back(c);
            if (m_held.size() > 1) {
                close(m_held.front());
                m_held.erase(m_held.begin());
            }
        }
    }
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::vector<int> m_held;  // the accepting thread's only
    std::thread m_thread;
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        const char* secs = std::getenv("KELVO_SOAK_SECONDS");
        if (!secs || std::atoi(secs) <= 0) GTEST_SKIP() << "set KELVO_SOAK_SECONDS to run the soak";
        m_seconds = std::atoi(secs);
        const char* src = std::getenv("KELVO_SOURCE_DIR");
        m_cache = MakeTempDir("kelvo-soak-cache");
        m_sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--scenario", std::string(src ? src : ".") + "/tests/soak/data/soak.json", "--port", "0",
            "--cache-dir", m_cache, "--quiet"});
        ASSERT_TRUE(m_sim->WaitReady(60000)) << m_sim->Stderr();
        m_http = std::make_unique<httplib::Client>("127.0.0.1", m_sim->http);
    }
    void TearDown() override {
        if (m_sim) {
            EXPECT_EQ(m_sim->Stop(), 0) << m_sim->Stderr();
        }
        if (!m_cache.empty()) RemoveTree(m_cache);
    }

    bool Post(const std::string& path) {
        auto r = m_http->Post(path.c_str(), "", "text/plain");
        return r && r->status == 200;
    }
    bool Fault(const std::string& nameValue) { return Post("/sim/fault?" + nameValue); }
    bool Drop(const char* server) { return Post(std::string("/sim/drop?server=") + server); }
    void ClearFaults() {
        for (const char* f : {"malformed=", "stopHeartbeats=0", "relayKbps=0", "refuseStreams=0", "dropAfterSeconds=0"})
            EXPECT_TRUE(Fault(f)) << f;
    }

    // Every stream delivers `pictures` more pictures within the time.
    bool AllPlaying(soak::StreamProbe* probes, long pictures, int timeoutMs) {
        long base[kStreams];
        for (int i = 0; i < kStreams; ++i) base[i] = probes[i].pictures;
        return WaitFor([&] {
            for (int i = 0; i < kStreams; ++i)
                if (probes[i].pictures < base[i] + pictures) return false;
            return true;
        }, timeoutMs);
    }
    int Disconnects(soak::StreamProbe* probes) {
        int n = 0;
        for (int i = 0; i < kStreams; ++i) n += probes[i].states.Count(KELVO_STREAM_DISCONNECTED);
        return n;
    }

    int m_seconds = 0;
    std::string m_cache;
    std::unique_ptr<simtest::SimProcess> m_sim;
    std::unique_ptr<httplib::Client> m_http;
};

struct FaultCase {
    const char* name;
    // Switches the fault on and waits until the client has seen it; false when it never showed.
    std::function<bool()> inject;
    bool centralLost;  // the session must log in again afterwards
};

TEST_F(Soak, ClientRecoversFromEveryFaultWithoutGrowth) {
    soak::EventCounter session;
    void* s = KelvoSession_Create();
    KelvoSession_SetCallBack(s, &soak::EventCounter::OnEvent, &session);
    ASSERT_EQ(KelvoSession_Login(s, "127.0.0.1", m_sim->central, "soak", "soak", 0), 0);
    ASSERT_TRUE(WaitFor([&] { return session.Count(KELVO_SESSION_DIRECTORY_READY) > 0; }, 20000));

    soak::StreamProbe probes[kStreams];
    void* streams[kStreams];
    for (int i = 0; i < kStreams; ++i) {
        streams[i] = KelvoStream_Create(s, kKeys[i]);
        ASSERT_NE(streams[i], nullptr) << kKeys[i];
        KelvoStream_SetCallBack(streams[i], &soak::EventCounter::OnEvent, &probes[i].states);
        KelvoStream_SetDataType(streams[i], 0);
        KelvoStream_SetDataCallBack(streams[i], &soak::StreamProbe::OnData, &probes[i]);
        ASSERT_TRUE(KelvoStream_Start(streams[i]));
    }
    // The simulator encodes its loops first.
    ASSERT_TRUE(AllPlaying(probes, 20, 120000));

    auto sessionBack = [&](int loggedInBefore) {
        return WaitFor([&] { return session.Count(KELVO_SESSION_LOGGED_IN) > loggedInBefore; }, 30000);
    };
    auto relayFault = [&](const char* mode) {
        return [this, mode, &probes] {
            int before = Disconnects(probes);
            if (!Fault(std::string("malformed=") + mode) || !Drop("relay")) return false;
            // The drop, then the bad packet on the next download: two losses per stream.
            return WaitFor([&] { return Disconnects(probes) >= before + 2 * kStreams; }, 30000);
        };
    };
    auto centralFault = [&](const char* mode) {
        return [this, mode, &session] {
            int connects = session.Count(KELVO_SESSION_CONNECTED);
            if (!Fault(std::string("malformed=") + mode) || !Drop("central")) return false;
            return WaitFor([&] { return session.Count(KELVO_SESSION_CONNECTED) >= connects + 2; }, 30000);
        };
    };
    const std::vector<FaultCase> faults = {
        {"central drop", [&] {
             int connects = session.Count(KELVO_SESSION_CONNECTED);
             return Drop("central") && WaitFor([&] { return session.Count(KELVO_SESSION_CONNECTED) > connects; }, 15000);
         }, true},
        {"relay drop", [&] {
             int before = Disconnects(probes);
             return Drop("relay") && WaitFor([&] { return Disconnects(probes) >= before + kStreams; }, 15000);
         }, false},
        {"relay garbage", relayFault("relay-garbage"), false},
        {"central short packet", centralFault("central-short"), true},
        {"relay oversized packet", relayFault("relay-oversized"), false},
        {"streams refused", [&] {
             int requests = 0;
             for (auto& p : probes) requests += p.states.Count(KELVO_STREAM_REQUESTING, 1);
             if (!Fault("refuseStreams=2") || !Drop("relay")) return false;
             return WaitFor([&] {
                 int n = 0;
                 for (auto& p : probes) n += p.states.Count(KELVO_STREAM_REQUESTING, 1);
                 return n >= requests + kStreams;
             }, 30000);
         }, false},
        {"relay short packet", relayFault("relay-short"), false},
        {"slow relay", [&] {
             if (!Fault("relayKbps=60")) return false;
             std::this_thread::sleep_for(std::chrono::seconds(8));  // the fault is the passing time itself
             return true;
         }, false},
        {"central oversized packet", centralFault("central-oversized"), true},
        {"relay oversized block", [&] {
             int before = Disconnects(probes);
             return Fault("malformed=relay-bigblock") && Drop("relay") &&
                    WaitFor([&] { return Disconnects(probes) >= before + kStreams; }, 15000);
         }, false},
        {"all connections dropped 3 times", [&] {
             // The simulator reads dropAfterSeconds only at start, so the drops are made here.
             for (int round = 1; round <= 3; ++round) {
                 // Each drop must find every connection up again.
                 const int loggedIn = session.Count(KELVO_SESSION_LOGGED_IN);
                 if (round > 1 && !AllPlaying(probes, 5, 20000)) return false;
                 const int connects = session.Count(KELVO_SESSION_CONNECTED);
                 const int before = Disconnects(probes);
                 if (!Drop("all")) return false;
                 if (!WaitFor([&] {
                         return session.Count(KELVO_SESSION_CONNECTED) > connects &&
                                session.Count(KELVO_SESSION_LOGGED_IN) > loggedIn &&
                                Disconnects(probes) >= before + kStreams;
                     }, 15000))
                     return false;
             }
             return true;
         }, true},
        {"heartbeats stop", [&] {
             int connects = session.Count(KELVO_SESSION_CONNECTED);
             // A silent server is given up after 90 s without a heartbeat reply.
             return Fault("stopHeartbeats=1") &&
                    WaitFor([&] { return session.Count(KELVO_SESSION_CONNECTED) > connects; }, 160000);
         }, true},
    };

    StalledServer stalled;
    ASSERT_GT(stalled.Port(), 0);
    std::vector<soak::ResourceSample> samples;
    long avis = 0, aviPackets = 0;
    int cycles = 0, recoveries = 0, recordQueries = 0, stalledLogouts = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(m_seconds);
    soak::ResourceSample first = soak::SampleProcess();
    std::printf("soak: start threads=%d fds=%d rss=%ld kB\n", first.threads, first.fds, first.rssKb);

    while (std::chrono::steady_clock::now() < end || cycles < static_cast<int>(faults.size())) {
        const FaultCase& f = faults[static_cast<size_t>(cycles) % faults.size()];
        const auto cycleStart = std::chrono::steady_clock::now();
        const std::string recDir = MakeTempDir("kelvo-soak-rec");
        ASSERT_FALSE(recDir.empty());
        ASSERT_TRUE(KelvoStream_StartRecord(streams[0], recDir.c_str())) << f.name;
        // Two key-frame intervals of the 10 fps loops, so the file holds frames before the fault.
        ASSERT_TRUE(AllPlaying(probes, 45, 30000)) << "not playing before " << f.name;

        const int loggedIn = session.Count(KELVO_SESSION_LOGGED_IN);
        const int connects = session.Count(KELVO_SESSION_CONNECTED), losses = Disconnects(probes);
        EXPECT_TRUE(f.inject()) << "fault never reached the client: " << f.name << " (session connects +"
                                << session.Count(KELVO_SESSION_CONNECTED) - connects << ", stream losses +"
                                << Disconnects(probes) - losses << ")";
        ClearFaults();
        if (f.centralLost) {
            EXPECT_TRUE(sessionBack(loggedIn)) << "session did not log in again after " << f.name;
            EXPECT_TRUE(WaitFor([&] { return session.Count(KELVO_SESSION_DIRECTORY_READY) > 0; }, 20000));
        }
        bool back = AllPlaying(probes, 20, 60000);
        EXPECT_TRUE(back) << "streams did not come back after " << f.name;
        if (back && (!f.centralLost || session.Count(KELVO_SESSION_LOGGED_IN) > loggedIn)) ++recoveries;

        KelvoStream_StopRecord(streams[0]);
        // Names sort by start time. The file running when the fault hit must hold what
        // came before it; a file begun on a reconnect may end before its first key frame.
        auto files = AvisIn(recDir);
        std::sort(files.begin(), files.end());
        EXPECT_FALSE(files.empty()) << "no recording during " << f.name;
        bool keep = false;
        for (size_t i = 0; i < files.size(); ++i) {
            soak::AviCheck c = soak::DecodeAvi(files[i]);
            bool ok = c.opened || (i > 0 && c.packets == 0);
            EXPECT_TRUE(ok) << files[i] << ": " << c.error;
            if (c.opened) {
                EXPECT_TRUE(c.error.empty()) << files[i] << ": " << c.error;
                EXPECT_EQ(c.decodeErrors, 0) << files[i];
                // Frames may be held back by the decoder, never lost.
                EXPECT_EQ(c.decoded, c.packets) << files[i];
                ok = ok && c.error.empty() && c.decodeErrors == 0 && c.decoded == c.packets;
            }
            if (i == 0) {
                EXPECT_GT(c.packets, 0) << "nothing recorded before " << f.name << ": " << files[i];
                ok = ok && c.packets > 0;
            }
            keep = keep || !ok;
            avis += c.packets > 0 ? 1 : 0;
            aviPackets += c.packets;
        }
        if (keep) std::printf("soak: kept %s\n", recDir.c_str());
        else RemoveTree(recDir);

        // The record server's list, then a server that never answers: logout must not hang.
        {
            char address[64] = {};
            unsigned short port = 0;
            ASSERT_EQ(KelvoSession_GetRecordServer(s, "C1", address, &port), 1);
            soak::EventCounter rec;
            void* record = KelvoRecord_Create();
            KelvoRecord_SetCallBack(record, &soak::EventCounter::OnEvent, &rec);
            EXPECT_TRUE(KelvoRecord_Login(record, address, port, "kqwz", "kqwz"));
            EXPECT_TRUE(WaitFor([&] { return rec.Count(KELVO_RECORD_LOGIN, 0) > 0; }, 10000)) << f.name;
            const int now = static_cast<int>(time(nullptr));
            KelvoRecord_Query(record, "C1", now - 86400, now);
            EXPECT_TRUE(WaitFor([&] { return rec.Count(KELVO_RECORD_QUERY) > 0; }, 10000)) << f.name;
            recordQueries += KelvoRecord_GetItemsCount(record) > 0 ? 1 : 0;
            KelvoRecord_Destory(record);

            soak::EventCounter stall;
            void* silent = KelvoRecord_Create();
            KelvoRecord_SetCallBack(silent, &soak::EventCounter::OnEvent, &stall);
            EXPECT_TRUE(KelvoRecord_Login(silent, "127.0.0.1", stalled.Port(), "kqwz", "kqwz"));
            EXPECT_TRUE(WaitFor([&] { return stall.Count(KELVO_RECORD_CONNECT, 1) > 0; }, 10000));
            KelvoRecord_Query(silent, "C1", now - 86400, now);
            const auto t0 = std::chrono::steady_clock::now();
            KelvoRecord_Logout(silent);
            KelvoRecord_Destory(silent);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
            EXPECT_LT(ms.count(), 6000) << "logout from a stalled record server";
            EXPECT_EQ(stall.Count(KELVO_RECORD_LOGIN), 0);
            stalledLogouts += ms.count() < 6000 ? 1 : 0;
        }

        samples.push_back(soak::SampleProcess());
        ++cycles;
        const auto secs = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - cycleStart);
        std::printf("soak: cycle %d %-30s %3lds connects +%d losses +%d threads=%d fds=%d rss=%ld kB\n", cycles,
                    f.name, static_cast<long>(secs.count()), session.Count(KELVO_SESSION_CONNECTED) - connects,
                    Disconnects(probes) - losses, samples.back().threads, samples.back().fds, samples.back().rssKb);
        std::fflush(stdout);
        if (::testing::Test::HasFatalFailure()) break;
    }

    for (int i = 0; i < kStreams; ++i) KelvoStream_Destory(streams[i]);
    KelvoSession_Destory(s);

    // Second half against the first: threads and descriptors may not creep,
    // memory may not grow beyond the noise of the allocator.
    const size_t half = samples.size() / 2;
    ASSERT_GE(half, 1u);
    auto maxOf = [&](size_t from, size_t to, auto field) {
        long m = 0;
        for (size_t i = from; i < to; ++i) m = std::max(m, static_cast<long>(field(samples[i])));
        return m;
    };
    auto meanRss = [&](size_t from, size_t to) {
        long sum = 0;
        for (size_t i = from; i < to; ++i) sum += samples[i].rssKb;
        return sum / static_cast<long>(to - from);
    };
    const long threads1 = maxOf(0, half, [](const soak::ResourceSample& x) { return x.threads; });
    const long threads2 = maxOf(half, samples.size(), [](const soak::ResourceSample& x) { return x.threads; });
    const long fds1 = maxOf(0, half, [](const soak::ResourceSample& x) { return x.fds; });
    const long fds2 = maxOf(half, samples.size(), [](const soak::ResourceSample& x) { return x.fds; });
    const long rss1 = meanRss(0, half), rss2 = meanRss(half, samples.size());
    soak::ResourceSample last = soak::SampleProcess();
    std::printf("soak: %d cycles, %d recoveries, %d record queries with items, %d stalled logouts in time, "
                "%ld recordings (%ld frames)\n",
                cycles, recoveries, recordQueries, stalledLogouts, avis, aviPackets);
    std::printf("soak: threads max %ld -> %ld, fds max %ld -> %ld, rss mean %ld -> %ld kB; after teardown "
                "threads=%d fds=%d rss=%ld kB\n",
                threads1, threads2, fds1, fds2, rss1, rss2, last.threads, last.fds, last.rssKb);
    EXPECT_EQ(recoveries, cycles);
    EXPECT_LE(threads2, threads1 + 2);
    EXPECT_LE(fds2, fds1 + 4);
    EXPECT_LE(rss2, rss1 + rss1 / 5 + 16 * 1024);
    EXPECT_LE(last.threads, first.threads + 2) << "threads left after every handle was destroyed";
    EXPECT_LE(last.fds, first.fds + 2) << "descriptors left after every handle was destroyed";
}

}  // namespace
