// The C interface as a caller sees it: the built library loaded with
// dlopen, every session and record export resolved by name.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "KelvoNetwork.h"
#include "tests/network/FakeCentral.h"

using namespace testing_support;

namespace {

class Library {
public:
    Library() {
        const char* dir = std::getenv("KELVO_BUILD_DIR");
        std::string path = std::string(dir ? dir : ".") + "/lib/libKelvoNetwork.so";
        // NODELETE: a thread that frees its own object may still be
        // running library code when a test ends.
        m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    }
    ~Library() {
        if (m_handle) dlclose(m_handle);
    }
    bool Loaded() const { return m_handle != nullptr; }
    template <typename F>
    F Get(const char* name) {
        return reinterpret_cast<F>(dlsym(m_handle, name));
    }

private:
    void* m_handle = nullptr;
};

#define RESOLVE(lib, name) auto name = lib.Get<decltype(&::name)>(#name); ASSERT_NE(name, nullptr) << #name

}  // namespace

TEST(Exports, OnlyTheInterfaceIsVisible) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    EXPECT_EQ(lib.Get<void*>("_ZN10TcpSession3RunEv"), nullptr);
    EXPECT_EQ(lib.Get<void*>("_ZN6digest14PasswordDigestERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"), nullptr);
}

TEST(Exports, NullHandlesAreAnsweredWithoutEffect) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    RESOLVE(lib, KelvoSession_Destory);
    RESOLVE(lib, KelvoSession_Login);
    RESOLVE(lib, KelvoSession_Logout);
    RESOLVE(lib, KelvoSession_Refresh);
    RESOLVE(lib, KelvoSession_SetCallBack);
    RESOLVE(lib, KelvoSession_GetNodeCount);
    RESOLVE(lib, KelvoSession_GetNode);
    RESOLVE(lib, KelvoSession_GetCameraCount);
    RESOLVE(lib, KelvoSession_GetCamera);
    RESOLVE(lib, KelvoSession_GetRightMask);
    RESOLVE(lib, KelvoSession_GetMaxStream);
    RESOLVE(lib, KelvoSession_GetRecordServer);
    RESOLVE(lib, KelvoRecord_Destory);
    RESOLVE(lib, KelvoRecord_SetCallBack);
    RESOLVE(lib, KelvoRecord_Login);
    RESOLVE(lib, KelvoRecord_Logout);
    RESOLVE(lib, KelvoRecord_Query);
    RESOLVE(lib, KelvoRecord_GetItemsCount);
    RESOLVE(lib, KelvoRecord_GetItems);

    int count = 5;
    NodeInfo node;
    CameraInfo cam;
    char address[32] = "unchanged";
    unsigned short port = 9;
    KelvoSession_Destory(nullptr);
    EXPECT_EQ(KelvoSession_Login(nullptr, "127.0.0.1", 1, "u", "p", 0), -1);
    KelvoSession_Logout(nullptr);
    KelvoSession_Refresh(nullptr);
    KelvoSession_SetCallBack(nullptr, nullptr, nullptr);
    EXPECT_EQ(KelvoSession_GetNodeCount(nullptr, nullptr), -1);
    EXPECT_EQ(KelvoSession_GetNode(nullptr, nullptr, &node, &count), -1);
    EXPECT_EQ(KelvoSession_GetCameraCount(nullptr, "k"), -1);
    EXPECT_EQ(KelvoSession_GetCamera(nullptr, "k", &cam, &count), -1);
    EXPECT_EQ(KelvoSession_GetRightMask(nullptr), 0);
    EXPECT_EQ(KelvoSession_GetMaxStream(nullptr), 0);
    EXPECT_EQ(KelvoSession_GetRecordServer(nullptr, "k", address, &port), 0);
    EXPECT_EQ(count, 5);
    EXPECT_STREQ(address, "unchanged");
    EXPECT_EQ(port, 9);

    RecordItem item;
    KelvoRecord_Destory(nullptr);
    KelvoRecord_SetCallBack(nullptr, nullptr, nullptr);
    EXPECT_EQ(KelvoRecord_Login(nullptr, "h", 1, "u", "p"), 0);
    KelvoRecord_Logout(nullptr);
    EXPECT_EQ(KelvoRecord_Query(nullptr, "k", 0, 1), 0);
    EXPECT_EQ(KelvoRecord_GetItemsCount(nullptr), 0);
    EXPECT_EQ(KelvoRecord_GetItems(nullptr, &item, &count), 0);
}

TEST(Exports, StreamNullHandlesAreAnsweredWithoutEffect) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    RESOLVE(lib, KelvoStream_Create);
    RESOLVE(lib, KelvoStream_Destory);
    RESOLVE(lib, KelvoStream_SetCallBack);
    RESOLVE(lib, KelvoStream_SetDataType);
    RESOLVE(lib, KelvoStream_SetDataCallBack);
    RESOLVE(lib, KelvoStream_Start);
    RESOLVE(lib, KelvoStream_Stop);
    RESOLVE(lib, KelvoStream_isPlay);
    RESOLVE(lib, KelvoStream_StartTalk);
    RESOLVE(lib, KelvoStream_StopTalk);
    RESOLVE(lib, KelvoStream_isTalk);
    RESOLVE(lib, KelvoStream_Ptz);
    RESOLVE(lib, KelvoStream_StartRecord);
    RESOLVE(lib, KelvoStream_StopRecord);
    RESOLVE(lib, KelvoStream_isRecord);
    RESOLVE(lib, KelvoStream_Snappic);
    RESOLVE(lib, KelvoStream_SnappicEx);
    RESOLVE(lib, KelvoStream_hasAudio);
    RESOLVE(lib, KelvoStream_isAudioEnable);
    RESOLVE(lib, KelvoStream_SetAudioEnable);
    RESOLVE(lib, KelvoStream_EnableAlarm);
    RESOLVE(lib, KelvoStream_isEnableAlarm);
    RESOLVE(lib, KelvoStream_ClearAlarm);
    RESOLVE(lib, KelvoStream_SetAlarmTime);
    RESOLVE(lib, KelvoStream_GetAlarmTime);
    RESOLVE(lib, KelvoStream_GetAlarms);
    RESOLVE(lib, KelvoStream_GetStats);
    RESOLVE(lib, KelvoSession_Create);
    RESOLVE(lib, KelvoSession_Destory);

    EXPECT_EQ(KelvoStream_Create(nullptr, "k"), nullptr);
    void* session = KelvoSession_Create();
    EXPECT_EQ(KelvoStream_Create(session, "unknown"), nullptr);  // no directory yet
    EXPECT_EQ(KelvoStream_Create(session, nullptr), nullptr);
    KelvoSession_Destory(session);
    KelvoStream_Destory(nullptr);
    KelvoStream_SetCallBack(nullptr, nullptr, nullptr);
    KelvoStream_SetDataType(nullptr, 0);
    KelvoStream_SetDataCallBack(nullptr, nullptr, nullptr);
    EXPECT_EQ(KelvoStream_Start(nullptr), 0);
    KelvoStream_Stop(nullptr);
    EXPECT_EQ(KelvoStream_isPlay(nullptr), 0);
    KelvoStream_StartTalk(nullptr);
    KelvoStream_StopTalk(nullptr);
    EXPECT_EQ(KelvoStream_isTalk(nullptr), 0);
    KelvoStream_Ptz(nullptr, 1, 1);
    EXPECT_EQ(KelvoStream_StartRecord(nullptr, "/tmp/"), 0);
    KelvoStream_StopRecord(nullptr);
    EXPECT_EQ(KelvoStream_isRecord(nullptr), 0);
    EXPECT_EQ(KelvoStream_Snappic(nullptr, "/tmp/"), 0);
    EXPECT_EQ(KelvoStream_SnappicEx(nullptr, "/tmp/x.jpg"), 0);
    EXPECT_EQ(KelvoStream_hasAudio(nullptr), 0);
    EXPECT_EQ(KelvoStream_isAudioEnable(nullptr), 0);
    KelvoStream_SetAudioEnable(nullptr, 1);
    KelvoStream_EnableAlarm(nullptr, 1);
    EXPECT_EQ(KelvoStream_isEnableAlarm(nullptr), 0);
    KelvoStream_ClearAlarm(nullptr);
    KelvoStream_SetAlarmTime(nullptr, 5);
    EXPECT_EQ(KelvoStream_GetAlarmTime(nullptr), 0);
    KelvoAlarmInfo alarm[1];
    int alarmCount = 1;
    EXPECT_EQ(KelvoStream_GetAlarms(nullptr, alarm, &alarmCount), 0);
    EXPECT_EQ(KelvoStream_GetAlarms(nullptr, nullptr, nullptr), 0);
    KelvoStreamStats stats{};
    EXPECT_EQ(KelvoStream_GetStats(nullptr, &stats), 0);
}

TEST(Exports, CreateDestroyCyclesAndLogoutLogin) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    RESOLVE(lib, KelvoSession_Create);
    RESOLVE(lib, KelvoSession_Destory);
    RESOLVE(lib, KelvoSession_Login);
    RESOLVE(lib, KelvoSession_Logout);
    RESOLVE(lib, KelvoRecord_Create);
    RESOLVE(lib, KelvoRecord_Destory);
    LoopbackServer server;
    for (int i = 0; i < 20; ++i) {
        void* s = KelvoSession_Create();
        ASSERT_NE(s, nullptr);
        if (i % 2) {
            EXPECT_EQ(KelvoSession_Login(s, "127.0.0.1", server.Port(), "u", "p", 0), 0);
            EXPECT_TRUE(server.Accept() != nullptr);
            KelvoSession_Logout(s);
            EXPECT_EQ(KelvoSession_Login(s, "127.0.0.1", server.Port(), "u", "p", 0), 0);
            EXPECT_TRUE(server.Accept() != nullptr);
        }
        KelvoSession_Destory(s);
        void* r = KelvoRecord_Create();
        ASSERT_NE(r, nullptr);
        KelvoRecord_Destory(r);
    }
}

namespace {

struct DestroyInCallback {
    decltype(&KelvoSession_Destory) destroy;
    void* session = nullptr;
    std::atomic<bool> destroyed{false};
    static void Callback(int event, int, int, void* user) {
        auto* self = static_cast<DestroyInCallback*>(user);
        if (event == KELVO_SESSION_CONNECTED && !self->destroyed) {
            self->destroy(self->session);
            self->destroyed = true;
        }
    }
};

struct SlowCallback {
    std::atomic<bool> inside{false};
    static void Callback(int event, int, int, void* user) {
        auto* self = static_cast<SlowCallback*>(user);
        if (event == KELVO_SESSION_CONNECTED) {
            self->inside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
};

}  // namespace

TEST(Exports, DestroyFromInsideItsOwnCallback) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    RESOLVE(lib, KelvoSession_Create);
    RESOLVE(lib, KelvoSession_Destory);
    RESOLVE(lib, KelvoSession_SetCallBack);
    RESOLVE(lib, KelvoSession_Login);
    LoopbackServer server;
    DestroyInCallback ctx;
    ctx.destroy = KelvoSession_Destory;
    ctx.session = KelvoSession_Create();
    KelvoSession_SetCallBack(ctx.session, &DestroyInCallback::Callback, &ctx);
    ASSERT_EQ(KelvoSession_Login(ctx.session, "127.0.0.1", server.Port(), "u", "p", 0), 0);
    auto peer = server.Accept();
    ASSERT_TRUE(peer);
    EXPECT_TRUE(WaitFor([&] { return ctx.destroyed.load(); }));
    // The object is freed by its own thread once it returns; the peer
    // sees the connection close. LeakSanitizer checks the free at exit.
    EXPECT_TRUE(peer->WaitClosed());
}

TEST(Exports, DestroyWhileACallbackRunsOnAnotherThread) {
    Library lib;
    ASSERT_TRUE(lib.Loaded()) << dlerror();
    RESOLVE(lib, KelvoSession_Create);
    RESOLVE(lib, KelvoSession_Destory);
    RESOLVE(lib, KelvoSession_SetCallBack);
    RESOLVE(lib, KelvoSession_Login);
    LoopbackServer server;
    SlowCallback ctx;
    void* s = KelvoSession_Create();
    KelvoSession_SetCallBack(s, &SlowCallback::Callback, &ctx);
    ASSERT_EQ(KelvoSession_Login(s, "127.0.0.1", server.Port(), "u", "p", 0), 0);
    auto peer = server.Accept();
    ASSERT_TRUE(WaitFor([&] { return ctx.inside.load(); }));
    KelvoSession_Destory(s);  // waits for the callback to return
    EXPECT_TRUE(peer->WaitClosed());
}
