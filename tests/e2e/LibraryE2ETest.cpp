// The network library against the real simulator program.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

extern "C" {
#include <libavformat/avformat.h>
}

#include "KelvoNetwork.h"
#include "tests/sim/SimProcess.h"
#include "tests/support/TestSupport.h"

using testing_support::WaitFor;

namespace {

// The simulator program on ephemeral ports with the four-camera scenario,
// its clip cache in a folder of its own.
class Sim {
public:
    Sim() : m_cache(MakeDir()), m_process({"--scenario", Scenario(), "--port", "0", "--cache-dir", m_cache}) {
        m_ready = m_process.WaitReady(60000);
    }
    ~Sim() {
        m_process.Stop();
        std::string rm = "rm -rf '" + m_cache + "'";
        if (std::system(rm.c_str()) != 0) {
        }
    }
    bool Ready() const { return m_ready; }
    uint16_t CentralPort() const { return m_process.central; }
    bool WaitLine(const std::string& text, int timeoutMs = 5000, size_t from = 0) {
        return m_process.WaitLine(text, timeoutMs, from);
    }
    size_t Mark() const { return m_process.Mark(); }

private:
    static std::string MakeDir() {
        char tmpl[] = "/tmp/kelvo-e2e-XXXXXX";
        return mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    static std::string Scenario() {
        const char* source = std::getenv("KELVO_SOURCE_DIR");
        return std::string(source ? source : ".") + "/tests/e2e/data/four.json";
    }
    std::string m_cache;
    simtest::SimProcess m_process;
    bool m_ready = false;
};

struct Events {
    std::mutex mutex;
    std::vector<std::array<int, 3>> list;
    static void Callback(int e, int v1, int v2, void* user) {
        auto* self = static_cast<Events*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->list.push_back({e, v1, v2});
    }
    bool Has(int e, int v1 = -1) {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& x : list)
            if (x[0] == e && (v1 == -1 || x[1] == v1)) return true;
        return false;
    }
    int Value2(int e) {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& x : list)
            if (x[0] == e) return x[2];
        return -1;
    }
};

class Session {
public:
    Session() : handle(KelvoSession_Create()) { KelvoSession_SetCallBack(handle, &Events::Callback, &events); }
    ~Session() { KelvoSession_Destory(handle); }
    bool Login(uint16_t port, const char* user, const char* pw) {
        return KelvoSession_Login(handle, "127.0.0.1", port, user, pw, 0) == 0;
    }
    void* handle;
    Events events;
};


std::string TempDir() {
    char tmpl[] = "/tmp/kelvo-e2e-out-XXXXXX";
    return mkdtemp(tmpl) ? std::string(tmpl) + "/" : "/tmp/";
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(dir + e->d_name);
        closedir(d);
    }
    return names;
}

struct StreamProbe {
    std::atomic<int> pictures{0};
    std::atomic<int> width{0};
    std::mutex mutex;
    std::vector<std::array<int, 3>> states;
    static void OnData(int type, unsigned char*, int length, int, int, int, void* user) {
        auto* self = static_cast<StreamProbe*>(user);
        if (type == 0 && length > 0) ++self->pictures;
    }
    static void OnState(int s, int v1, int v2, void* user) {
        auto* self = static_cast<StreamProbe*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->states.push_back({s, v1, v2});
        if (s == KELVO_STREAM_DESCRIBED) self->width = v1;
    }
    bool Has(int s, int v1) {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& x : states)
            if (x[0] == s && x[1] == v1) return true;
        return false;
    }
};

// The camera list comes in several replies, each reported as ready; the
// scenario has two cameras under S11 and four under S2.
bool WholeDirectory(void* session) {
    return KelvoSession_GetCameraCount(session, "S11") == 2 && KelvoSession_GetCameraCount(session, "S2") == 4;
}

}  // namespace

TEST(LibraryE2E, LoginDirectoryRightsAndRefusals) {
    Sim sim;
    ASSERT_TRUE(sim.Ready());
    Session s;
    ASSERT_TRUE(s.Login(sim.CentralPort(), "demo", "demo"));
    ASSERT_TRUE(WaitFor([&] { return s.events.Has(KELVO_SESSION_DIRECTORY_READY); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return WholeDirectory(s.handle); }, 10000));
    EXPECT_EQ(KelvoSession_GetMaxStream(s.handle), 16);
    EXPECT_EQ(KelvoSession_GetRightMask(s.handle) & (RIGHT_PTZ | RIGHT_TALK | RIGHT_SCHEDULE),
              RIGHT_PTZ | RIGHT_TALK | RIGHT_SCHEDULE);

    NodeInfo top[8];
    int count = 8;
    ASSERT_EQ(KelvoSession_GetNode(s.handle, nullptr, top, &count), 2);
    std::set<std::string> keys{top[0].key, top[1].key};
    EXPECT_EQ(keys, (std::set<std::string>{"S1", "S2"}));
    // Names arrive as GBK bytes: "仓库" is C2 D6 BF E2.
    bool gbk = false;
    for (int i = 0; i < 2; ++i)
        if (std::string(top[i].key) == "S2") gbk = std::string(top[i].name) == "\xB2\xD6\xBF\xE2";
    EXPECT_TRUE(gbk);
    EXPECT_EQ(KelvoSession_GetNodeCount(s.handle, "S1"), 1);
    EXPECT_EQ(KelvoSession_GetCameraCount(s.handle, "S11"), 2);
    CameraInfo cams[8];
    count = 8;
    ASSERT_EQ(KelvoSession_GetCamera(s.handle, "S2", cams, &count), 4);
    int offline = 0;
    for (int i = 0; i < 4; ++i) offline += cams[i].online ? 0 : 1;
    EXPECT_EQ(offline, 1);
    EXPECT_TRUE(sim.WaitLine("login demo ok"));

    Session busy;
    ASSERT_TRUE(busy.Login(sim.CentralPort(), "busy", "busy"));
    ASSERT_TRUE(WaitFor([&] { return busy.events.Has(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED); }));
    EXPECT_EQ(busy.events.Value2(KELVO_SESSION_FAILED), 9);

    Session wrong;
    ASSERT_TRUE(wrong.Login(sim.CentralPort(), "demo", "not-the-password"));
    ASSERT_TRUE(WaitFor([&] { return wrong.events.Has(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED); }));

    Session expired;
    ASSERT_TRUE(expired.Login(sim.CentralPort(), "expired", "expired"));
    EXPECT_TRUE(WaitFor([&] { return expired.events.Has(KELVO_SESSION_FAILED); }, 10000));
}

TEST(LibraryE2E, RecordingsOfACameraAreListed) {
    Sim sim;
    ASSERT_TRUE(sim.Ready());
    Session s;
    ASSERT_TRUE(s.Login(sim.CentralPort(), "demo", "demo"));
    ASSERT_TRUE(WaitFor([&] { return s.events.Has(KELVO_SESSION_DIRECTORY_READY); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return WholeDirectory(s.handle); }, 10000));
    char address[64] = {};
    unsigned short port = 0;
    ASSERT_EQ(KelvoSession_GetRecordServer(s.handle, "C2", address, &port), 1);

    Events rec;
    void* record = KelvoRecord_Create();
    KelvoRecord_SetCallBack(record, &Events::Callback, &rec);
    ASSERT_TRUE(KelvoRecord_Login(record, address, port, "kqwz", "kqwz"));
    ASSERT_TRUE(WaitFor([&] { return rec.Has(KELVO_RECORD_LOGIN, 0); }));
    const int now = static_cast<int>(time(nullptr));
    KelvoRecord_Query(record, "C2", now - 2 * 86400, now);
    ASSERT_TRUE(WaitFor([&] { return rec.Has(KELVO_RECORD_QUERY); }));
    EXPECT_TRUE(rec.Has(KELVO_RECORD_QUERY, 1));
    int n = KelvoRecord_GetItemsCount(record);
    ASSERT_GT(n, 0);
    std::vector<RecordItem> items(static_cast<size_t>(n));
    ASSERT_EQ(KelvoRecord_GetItems(record, items.data(), &n), n);
    for (int i = 1; i < n; ++i) EXPECT_LE(items[i - 1].begin, items[i].begin);
    EXPECT_EQ(items[0].duration, items[0].end - items[0].begin);
    EXPECT_EQ(std::string(items[0].url).rfind("http://127.0.0.1:", 0), 0u) << items[0].url;
    KelvoRecord_Destory(record);
}

TEST(LibraryE2E, FourCamerasPlayRecordSnapAndSteer) {
    Sim sim;
    ASSERT_TRUE(sim.Ready());
    ASSERT_TRUE(sim.WaitLine("media ready", 60000));
    Session s;
    ASSERT_TRUE(s.Login(sim.CentralPort(), "demo", "demo"));
    ASSERT_TRUE(WaitFor([&] { return s.events.Has(KELVO_SESSION_DIRECTORY_READY); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return WholeDirectory(s.handle); }, 10000));

    const char* keys[] = {"C1", "C2", "C3", "C4"};
    StreamProbe probes[4];
    void* streams[4];
    for (int i = 0; i < 4; ++i) {
        streams[i] = KelvoStream_Create(s.handle, keys[i]);
        ASSERT_NE(streams[i], nullptr) << keys[i];
        KelvoStream_SetCallBack(streams[i], &StreamProbe::OnState, &probes[i]);
        KelvoStream_SetDataType(streams[i], 0);
        KelvoStream_SetDataCallBack(streams[i], &StreamProbe::OnData, &probes[i]);
        ASSERT_TRUE(KelvoStream_Start(streams[i]));
    }
    EXPECT_EQ(KelvoStream_Create(s.handle, "nope"), nullptr);
    ASSERT_TRUE(WaitFor([&] {
        for (auto& p : probes)
            if (p.pictures < 5) return false;
        return true;
    }, 20000));
    EXPECT_EQ(probes[3].width, 352);
    int before[4];
    for (int i = 0; i < 4; ++i) before[i] = probes[i].pictures;

    const std::string out = TempDir();
    ASSERT_TRUE(KelvoStream_StartRecord(streams[3], out.c_str()));
    EXPECT_TRUE(KelvoStream_isRecord(streams[3]));
    EXPECT_FALSE(KelvoStream_StartRecord(streams[3], out.c_str()));  // the running one stays
    EXPECT_TRUE(KelvoStream_Snappic(streams[0], out.c_str()));
    EXPECT_TRUE(KelvoStream_Snappic(streams[0], out.c_str()));  // same second: a second file

    size_t mark = sim.Mark();
    KelvoStream_Ptz(streams[0], 4, 5);
    EXPECT_TRUE(sim.WaitLine("ptz C1 cmd=4 param=5", 5000, mark));

    KelvoStream_StartTalk(streams[2]);
    EXPECT_TRUE(WaitFor([&] { return probes[2].Has(KELVO_STREAM_TALK, 1); }, 5000));
    EXPECT_TRUE(sim.WaitLine("talk open C3", 5000, mark));
    EXPECT_TRUE(KelvoStream_hasAudio(streams[2]));
    KelvoStream_StopTalk(streams[2]);
    EXPECT_TRUE(sim.WaitLine("talk close C3", 5000, mark));

    std::this_thread::sleep_for(std::chrono::seconds(3));
    KelvoStream_StopRecord(streams[3]);
    EXPECT_FALSE(KelvoStream_isRecord(streams[3]));
    for (int i = 0; i < 4; ++i) EXPECT_GT(probes[i].pictures, before[i] + 10) << keys[i];

    for (int i = 0; i < 4; ++i) KelvoStream_Destory(streams[i]);
    EXPECT_TRUE(sim.WaitLine("stream stop C4", 5000, mark));

    int jpegs = 0, avis = 0;
    for (const std::string& f : FilesIn(out)) {
        struct stat st;
        ASSERT_EQ(stat(f.c_str(), &st), 0);
        if (f.size() > 4 && f.compare(f.size() - 4, 4, ".jpg") == 0) {
            ++jpegs;
            EXPECT_GT(st.st_size, 1000) << f;
        }
        if (f.size() > 4 && f.compare(f.size() - 4, 4, ".avi") == 0) {
            ++avis;
            AVFormatContext* ctx = nullptr;
            ASSERT_EQ(avformat_open_input(&ctx, f.c_str(), nullptr, nullptr), 0) << f;
            ASSERT_GE(avformat_find_stream_info(ctx, nullptr), 0);
            ASSERT_EQ(ctx->nb_streams, 1u);
            EXPECT_EQ(ctx->streams[0]->codecpar->codec_id, AV_CODEC_ID_H264);
            EXPECT_EQ(ctx->streams[0]->codecpar->width, 352);
            // It begins at the first key frame (one every ~2 s), so 3 s
            // hold at least a few frames, the first of them a key frame.
            EXPECT_GE(ctx->streams[0]->nb_frames, 5);
            AVPacket* pkt = av_packet_alloc();
            ASSERT_GE(av_read_frame(ctx, pkt), 0);
            EXPECT_TRUE(pkt->flags & AV_PKT_FLAG_KEY);
            EXPECT_GT(pkt->size, 0);
            av_packet_free(&pkt);
            avformat_close_input(&ctx);
        }
    }
    EXPECT_EQ(jpegs, 2);
    EXPECT_EQ(avis, 1);
    std::string rm = "rm -rf '" + out + "'";
    EXPECT_EQ(std::system(rm.c_str()), 0);
}
