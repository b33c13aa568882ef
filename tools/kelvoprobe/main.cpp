// kelvoprobe: a command-line client of libKelvoNetwork. Logs in, prints the
// account's tree of sites and cameras, its rights, and the recordings of
// one camera; exits 0 when the directory arrived.
//
//   kelvoprobe [--host H] [--port P] [--user U] [--password W] [--lookup]
//              [--camera KEY] [--timeout SECONDS]
#include <iconv.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <functional>
#include <vector>

#include "KelvoNetwork.h"

namespace {

struct Waiter {
    std::mutex mutex;
    std::condition_variable cond;
    int event = 0, value1 = 0, value2 = 0;
    bool directory = false, failed = false;
    int recordState = 0, recordValue = 0;
};

void OnSession(int event, int v1, int v2, void* user) {
    auto* w = static_cast<Waiter*>(user);
    std::lock_guard<std::mutex> lock(w->mutex);
    w->event = event;
    w->value1 = v1;
    w->value2 = v2;
    if (event == KELVO_SESSION_DIRECTORY_READY) w->directory = true;
    if (event == KELVO_SESSION_FAILED) w->failed = true;
    w->cond.notify_all();
}

void OnRecord(int state, int value, int, void* user) {
    auto* w = static_cast<Waiter*>(user);
    std::lock_guard<std::mutex> lock(w->mutex);
    w->recordState = state;
    w->recordValue = value;
    w->cond.notify_all();
}

// Names arrive in GBK; the terminal speaks UTF-8.
std::string Utf8(const char* gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return gbk;
    std::string in(gbk), out(in.size() * 3 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
        if (outLeft == 0) break;
        *dst++ = '?';
        --outLeft;
        ++src;
        --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

void PrintLevel(void* session, const std::string& key, int depth, std::string* firstCamera) {
    int count = 0;
    int total = KelvoSession_GetNode(session, key.c_str(), nullptr, &count);
    std::vector<NodeInfo> nodes(total > 0 ? static_cast<size_t>(total) : 0);
    count = total;
    int n = total > 0 ? KelvoSession_GetNode(session, key.c_str(), nodes.data(), &count) : 0;
    for (int i = 0; i < n; ++i) {
        std::printf("%*s[%s] %s\n", depth * 2, "", nodes[i].key, Utf8(nodes[i].name).c_str());
        int camTotal = KelvoSession_GetCamera(session, nodes[i].key, nullptr, &count);
        std::vector<CameraInfo> cams(camTotal > 0 ? static_cast<size_t>(camTotal) : 0);
        count = camTotal;
        int m = camTotal > 0 ? KelvoSession_GetCamera(session, nodes[i].key, cams.data(), &count) : 0;
        for (int j = 0; j < m; ++j) {
            std::printf("%*s- %s %s (%s)\n", depth * 2 + 2, "", cams[j].key, Utf8(cams[j].name).c_str(),
                        cams[j].online ? "online" : "offline");
            if (firstCamera->empty()) *firstCamera = cams[j].key;
        }
        PrintLevel(session, nodes[i].key, depth + 1, firstCamera);
    }
}

bool WaitFor(Waiter& w, int seconds, const std::function<bool()>& done) {
    std::unique_lock<std::mutex> lock(w.mutex);
    return w.cond.wait_for(lock, std::chrono::seconds(seconds), done);
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1", user = "demo", password = "demo", camera;
    int port = 8116, timeout = 15, lookup = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kelvoprobe: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--host") host = next();
        else if (a == "--port") port = std::atoi(next().c_str());
        else if (a == "--user") user = next();
        else if (a == "--password") password = next();
        else if (a == "--camera") camera = next();
        else if (a == "--timeout") timeout = std::atoi(next().c_str());
        else if (a == "--lookup") lookup = 1;
        else {
            std::fprintf(stderr, "usage: kelvoprobe [--host H] [--port P] [--user U] [--password W] "
                                 "[--lookup] [--camera KEY] [--timeout S]\n");
            return 2;
        }
    }

    Waiter w;
    void* session = KelvoSession_Create();
    KelvoSession_SetCallBack(session, &OnSession, &w);
    if (KelvoSession_Login(session, host.c_str(), port, user.c_str(), password.c_str(), lookup) != 0) {
        std::fprintf(stderr, "kelvoprobe: login could not start\n");
        KelvoSession_Destory(session);
        return 1;
    }
    bool ready = WaitFor(w, timeout, [&] { return w.directory || w.failed; });
    if (!ready || !w.directory) {
        std::fprintf(stderr, "kelvoprobe: %s (event %d, %d, %d)\n",
                     ready ? "login failed" : "timed out", w.event, w.value1, w.value2);
        KelvoSession_Destory(session);
        return 1;
    }
    std::printf("logged in to %s:%d as %s; rights 0x%x, stream limit %d\n", host.c_str(), port,
                user.c_str(), KelvoSession_GetRightMask(session), KelvoSession_GetMaxStream(session));
    std::string first;
    PrintLevel(session, "", 0, &first);
    if (camera.empty()) camera = first;

    char address[64] = {};
    unsigned short recordPort = 0;
    if (!camera.empty() && KelvoSession_GetRecordServer(session, camera.c_str(), address, &recordPort)) {
        void* record = KelvoRecord_Create();
        KelvoRecord_SetCallBack(record, &OnRecord, &w);
        KelvoRecord_Login(record, address, recordPort, "kqwz", "kqwz");
        bool logged = WaitFor(w, 5, [&] { return w.recordState == KELVO_RECORD_LOGIN ||
                                                 (w.recordState == KELVO_RECORD_CONNECT && w.recordValue == 0); });
        if (logged && w.recordState == KELVO_RECORD_LOGIN && w.recordValue == 0) {
            time_t now = time(nullptr);
            KelvoRecord_Query(record, camera.c_str(), static_cast<int>(now - 86400), static_cast<int>(now));
            if (WaitFor(w, 5, [&] { return w.recordState == KELVO_RECORD_QUERY; })) {
                int count = KelvoRecord_GetItemsCount(record);
                std::vector<RecordItem> items(static_cast<size_t>(count > 0 ? count : 0));
                int copied = KelvoRecord_GetItems(record, items.data(), &count);
                std::printf("recordings of %s on %s:%u in the last day: %d\n", camera.c_str(), address,
                            recordPort, copied);
                for (int i = 0; i < copied && i < 5; ++i)
                    std::printf("  %lld..%lld %s\n", items[i].begin, items[i].end, items[i].url);
            }
        } else {
            std::printf("record server %s:%u not reachable\n", address, recordPort);
        }
        KelvoRecord_Destory(record);
    }
    KelvoSession_Logout(session);
    KelvoSession_Destory(session);
    return 0;
}
