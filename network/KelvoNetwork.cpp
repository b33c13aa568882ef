// The exported C interface: null-handle answers, no exceptions across the
// boundary, and objects freed so that an abandoned thread never outlives
// the object it runs on.
#include "KelvoNetwork.h"

#include <memory>
#include <cstring>
#include <new>

#include "network/CloudRecord.h"
#include "network/SessionChannel.h"
#include "network/StreamChannel.h"

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
static_assert(sizeof(KelvoAlarmInfo) == 32, "KelvoAlarmInfo layout");

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

void* KelvoStream_Create(void* session, const char* cameraKey) {
    if (!session || !cameraKey) return nullptr;
    return Guard<void*>(nullptr, [&]() -> void* {
        SessionChannel* s = As<SessionChannel>(session);
        platform::ScopedLock lock(s->Lock());
        CameraRecord cam;
        if (!s->LookupCamera(std::string(cameraKey, strnlen(cameraKey, 36)), &cam)) return nullptr;
        auto stream = std::make_unique<StreamChannel>(s);
        stream->Open(cam.deviceNumber, cam.relayHost, cam.streamPort, s->UserName(), s->Password(),
                     cam.key);
        s->AddStream(stream.get());
        return stream.release();
    });
}

void KelvoStream_Destory(void* stream) {
    if (!stream) return;
    Guard([&] {
        StreamChannel* st = As<StreamChannel>(stream);
        st->Session()->RemoveStream(st);
        st->Stop();
        CThread::Dispose(std::unique_ptr<CThread>(st));
    });
}

#define STREAM_VOID(call) \
    if (stream) Guard([&] { As<StreamChannel>(stream)->call; })
#define STREAM_BOOL(call) \
    if (!stream) return 0;  \
    return Guard(0, [&] { return As<StreamChannel>(stream)->call ? 1 : 0; })

void KelvoStream_SetCallBack(void* stream, StreamCallback cb, void* user) { STREAM_VOID(SetCallBack(cb, user)); }
void KelvoStream_SetDataType(void* stream, int type) { STREAM_VOID(SetDataType(type)); }
void KelvoStream_SetDataCallBack(void* stream, StreamDataCallback cb, void* user) {
    STREAM_VOID(SetDataCallBack(cb, user));
}
int KelvoStream_Start(void* stream) { STREAM_BOOL(StartStream()); }
void KelvoStream_Stop(void* stream) { STREAM_VOID(Stop()); }
int KelvoStream_isPlay(void* stream) { STREAM_BOOL(IsPlay()); }
void KelvoStream_StartTalk(void* stream) { STREAM_VOID(StartTalk()); }
void KelvoStream_StopTalk(void* stream) { STREAM_VOID(StopTalk()); }
int KelvoStream_isTalk(void* stream) { STREAM_BOOL(IsTalk()); }
void KelvoStream_Ptz(void* stream, int command, int parameter) { STREAM_VOID(Ptz(command, parameter)); }
int KelvoStream_hasAudio(void* stream) { STREAM_BOOL(HasAudio()); }
int KelvoStream_isAudioEnable(void* stream) { STREAM_BOOL(IsAudioEnable()); }
void KelvoStream_SetAudioEnable(void* stream, int enable) { STREAM_VOID(SetAudioEnable(enable != 0)); }
void KelvoStream_EnableAlarm(void* stream, int enable) { STREAM_VOID(EnableAlarm(enable != 0)); }
int KelvoStream_isEnableAlarm(void* stream) { STREAM_BOOL(IsEnableAlarm()); }
void KelvoStream_ClearAlarm(void* stream) { STREAM_VOID(ClearAlarm()); }
void KelvoStream_SetAlarmTime(void* stream, int seconds) { STREAM_VOID(SetAlarmTime(seconds)); }
int KelvoStream_Snappic(void* stream, const char* directory) {
    if (!directory) return 0;
    STREAM_BOOL(Snappic(directory));
}
int KelvoStream_SnappicEx(void* stream, const char* path) {
    if (!path) return 0;
    STREAM_BOOL(SnappicEx(path));
}
int KelvoStream_StartRecord(void* stream, const char* directory) {
    if (!directory) return 0;
    STREAM_BOOL(StartRecord(directory));
}
void KelvoStream_StopRecord(void* stream) { STREAM_VOID(StopRecord()); }
int KelvoStream_isRecord(void* stream) { STREAM_BOOL(IsRecord()); }
int KelvoStream_GetAlarmTime(void* stream) {
    if (!stream) return 0;
    return Guard(0, [&] { return As<StreamChannel>(stream)->GetAlarmTime(); });
}

int KelvoStream_GetAlarms(void* stream, KelvoAlarmInfo* items, int* count) {
    if (!stream) return 0;
    return Guard(0, [&] { return As<StreamChannel>(stream)->GetAlarms(items, count); });
}

int KelvoStream_GetStats(void* stream, KelvoStreamStats* stats) {
    if (!stream || !stats) return 0;
    return Guard(0, [&] {
        As<StreamChannel>(stream)->GetStats(stats);
        return 1;
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
