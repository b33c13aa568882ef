// The exported C interface: null-handle answers, no exceptions across the
// boundary, and objects freed so that an abandoned thread never outlives
// the object it runs on.
#include "KelvoNetwork.h"

#include <memory>
#include <new>

#include "network/CloudRecord.h"
#include "network/SessionChannel.h"

namespace {

template <typename T>
T* As(void* handle) {
    return static_cast<T*>(handle);
}

// Runs `body`, turning any escaping exception into `fallback`.
template <typename R, typename F>
R Guard(R fallback, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename F>
void Guard(F&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

}  // namespace

static_assert(sizeof(NodeInfo) == 128, "NodeInfo layout");
static_assert(sizeof(CameraInfo) == 257, "CameraInfo layout");
static_assert(sizeof(RecordItem) == 288, "RecordItem layout");

extern "C" {

// Thread: any.
void* KelvoSession_Create(void) {
    return Guard<void*>(nullptr, [] { return static_cast<void*>(new (std::nothrow) SessionChannel); });
}

// Thread: any; blocks up to 5000 ms per thread it stops.
void KelvoSession_Destory(void* session) {
    if (!session) return;
    Guard([&] {
        SessionChannel* s = As<SessionChannel>(session);
        s->Logout();
        CThread::Dispose(std::unique_ptr<CThread>(s));
    });
}

int KelvoSession_Login(void* session, const char* host, int port, const char* user,
                       const char* password, int lookup) {
    if (!session) return -1;
    return Guard(-1, [&] { return As<SessionChannel>(session)->Login(host, port, user, password, lookup); });
}

void KelvoSession_Logout(void* session) {
    if (session) Guard([&] { As<SessionChannel>(session)->Logout(); });
}

void KelvoSession_Refresh(void* session) {
    if (session) Guard([&] { As<SessionChannel>(session)->Refresh(); });
}

void KelvoSession_SetCallBack(void* session, SessionCallback callback, void* user) {
    if (session) Guard([&] { As<SessionChannel>(session)->SetCallBack(callback, user); });
}

int KelvoSession_GetNodeCount(void* session, const char* nodeKey) {
    if (!session) return -1;
    return Guard(-1, [&] { return As<SessionChannel>(session)->GetNodeCount(nodeKey); });
}

int KelvoSession_GetNode(void* session, const char* nodeKey, NodeInfo* nodes, int* count) {
    if (!session) return -1;
    return Guard(-1, [&] { return As<SessionChannel>(session)->GetNode(nodeKey, nodes, count); });
}

int KelvoSession_GetCameraCount(void* session, const char* nodeKey) {
    if (!session) return -1;
    return Guard(-1, [&] { return As<SessionChannel>(session)->GetCameraCount(nodeKey); });
}

int KelvoSession_GetCamera(void* session, const char* nodeKey, CameraInfo* cameras, int* count) {
    if (!session) return -1;
    return Guard(-1, [&] { return As<SessionChannel>(session)->GetCamera(nodeKey, cameras, count); });
}

int KelvoSession_GetRightMask(void* session) {
    if (!session) return 0;
    return Guard(0, [&] { return As<SessionChannel>(session)->GetRightMask(); });
}

int KelvoSession_GetMaxStream(void* session) {
    if (!session) return 0;
    return Guard(0, [&] { return As<SessionChannel>(session)->GetMaxStream(); });
}

int KelvoSession_GetRecordServer(void* session, const char* cameraKey, char* address,
                                 unsigned short* port) {
    if (!session) return 0;
    return Guard(0, [&] {
        return As<SessionChannel>(session)->GetRecordServer(cameraKey, address, port);
    });
}

void* KelvoRecord_Create(void) {
    return Guard<void*>(nullptr, [] { return static_cast<void*>(new (std::nothrow) CloudRecord); });
}

void KelvoRecord_Destory(void* record) {
    if (!record) return;
    Guard([&] {
        CloudRecord* r = As<CloudRecord>(record);
        r->Logout();
        CThread::Dispose(std::unique_ptr<CThread>(r));
    });
}

void KelvoRecord_SetCallBack(void* record, RecordCallback callback, void* user) {
    if (record) Guard([&] { As<CloudRecord>(record)->SetCallBack(callback, user); });
}

int KelvoRecord_Login(void* record, const char* host, int port, const char* user,
                      const char* password) {
    if (!record) return 0;
    return Guard(0, [&] { return As<CloudRecord>(record)->Login(host, port, user, password) ? 1 : 0; });
}

void KelvoRecord_Logout(void* record) {
    if (record) Guard([&] { As<CloudRecord>(record)->Logout(); });
}

int KelvoRecord_Query(void* record, const char* cameraKey, int begin, int end) {
    if (!record) return 0;
    return Guard(0, [&] {
        return As<CloudRecord>(record)->Query(cameraKey, static_cast<uint32_t>(begin),
                                              static_cast<uint32_t>(end));
    });
}

int KelvoRecord_GetItemsCount(void* record) {
    if (!record) return 0;
    return Guard(0, [&] { return As<CloudRecord>(record)->GetItemsCount(); });
}

int KelvoRecord_GetItems(void* record, RecordItem* items, int* count) {
    if (!record) return 0;
    return Guard(0, [&] { return As<CloudRecord>(record)->GetItems(items, count); });
}

}  // extern "C"
