/*
 * KelvoNetwork: the client library of the surveillance service.
 *
 * Handles are opaque pointers made by a family's create function and freed
 * only by its ...Destory function. A null handle is answered without touching
 * anything: functions returning a value return the documented null answer
 * (-1, 0 or null), the others do nothing. Nothing is thrown across this
 * interface; strings pass through unchanged (GBK in the viewer).
 *
 * Thread: every export may be called from any thread. Callbacks run on the
 * library's own threads (a session's connection or lookup thread, a stream's
 * connection or render thread, a record client's connection thread); a
 * callback must not wait for another thread that needs the same object.
 * Every stream must be destroyed before the session it was made from.
 */
#ifndef KELVO_NETWORK_H
#define KELVO_NETWORK_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(KELVO_NETWORK_BUILD)
#define KELVO_API __attribute__((visibility("default")))
#else
#define KELVO_API
#endif

/* ---- session events (SessionCallback event argument) ---- */
#define KELVO_SESSION_CONNECTING 769
#define KELVO_SESSION_RECONNECTING 770
#define KELVO_SESSION_FAILED 771
#define KELVO_SESSION_CONNECTED 772
#define KELVO_SESSION_DIRECTORY_READY 773
#define KELVO_SESSION_LOGGED_IN 774
#define KELVO_SESSION_OUTSIDE_SCHEDULE 775

/* ---- failure reasons (value1 of KELVO_SESSION_FAILED) ---- */
#define KELVO_FAIL_UNREACHABLE 1025
#define KELVO_FAIL_REFUSED 1026
#define KELVO_FAIL_EXPIRED 1028

/* ---- right mask bits ---- */
#define RIGHT_SCHEDULE 0x1
#define RIGHT_PTZ 0x2
#define RIGHT_TALK 0x4
#define RIGHT_VIDEO 0x8
#define RIGHT_SCREEN 0x20
#define RIGHT_NODE 0x40
#define RIGHT_MANAGEUSER 0x80
#define RIGHT_ALARM 0x100

/* ---- stream states (stream state callback) ---- */
#define KELVO_STREAM_STARTING 0x101
#define KELVO_STREAM_REQUESTING 0x102
#define KELVO_STREAM_DESCRIBED 0x103
#define KELVO_STREAM_PLAYING 0x104
#define KELVO_STREAM_DISCONNECTED 0x106
#define KELVO_STREAM_RECONNECTING 0x107
#define KELVO_STREAM_FAILED 0x10A
#define KELVO_STREAM_CONNECTED 0x10B
#define KELVO_STREAM_TALK 0x10C

/* ---- record client states (record callback) ---- */
#define KELVO_RECORD_CONNECT 0x101
#define KELVO_RECORD_LOGIN 0x102
#define KELVO_RECORD_QUERY 0x103

/* Copied out by KelvoSession_GetNode: 128 bytes. */
typedef struct NodeInfo {
    char name[64];
    char key[64];
} NodeInfo;

/* Copied out by KelvoSession_GetCamera: 257 bytes. */
typedef struct CameraInfo {
    char name[64];
    char key[64];
    unsigned char online;
    char textA[64];
    char textB[64];
} CameraInfo;

/* Copied out by KelvoRecord_GetItems: 288 bytes. */
typedef struct RecordItem {
    long long begin;
    long long end;
    long long duration;
    char url[264];
} RecordItem;

/* Copied out by KelvoStream_GetAlarms: one region of the stream's current
   alarms; arrival in seconds since 1970. */
typedef struct KelvoAlarmInfo {
    int region;
    int type;
    int x, y, width, height;
    long long arrival;
} KelvoAlarmInfo;

/* Copied out by KelvoStream_GetStats: counts since the stream was made
   (rates are differences of two readings). latencyMs: from the arrival of
   the last delivered picture's frame to its data callback. codec: the video
   decoder's name, "" before the first description. */
typedef struct KelvoStreamStats {
    unsigned long long framesReceived;
    unsigned long long bytesReceived;
    unsigned long long framesDecoded;
    unsigned long long framesDropped;
    int width, height;
    int latencyMs;
    char codec[16];
} KelvoStreamStats;

typedef void (*SessionCallback)(int event, int value1, int value2, void* user);
typedef void (*StreamCallback)(int state, int value1, int value2, void* user);
/* data: the decoded I420 picture (type 0) or the encoded frame (type 1);
   valid only during the call. */
typedef void (*StreamDataCallback)(int type, unsigned char* data, int length, int timestamp,
                                   int delta, int alarm, void* user);
typedef void (*RecordCallback)(int state, int value, int reserved, void* user);

/* ---- session family ---- */
KELVO_API void* KelvoSession_Create(void);
KELVO_API void KelvoSession_Destory(void* session);
KELVO_API int KelvoSession_Login(void* session, const char* host, int port, const char* user,
                                 const char* password, int lookup);
KELVO_API void KelvoSession_Logout(void* session);
KELVO_API void KelvoSession_Refresh(void* session);
KELVO_API void KelvoSession_SetCallBack(void* session, SessionCallback callback, void* user);
KELVO_API int KelvoSession_GetNodeCount(void* session, const char* nodeKey);
KELVO_API int KelvoSession_GetNode(void* session, const char* nodeKey, NodeInfo* nodes, int* count);
KELVO_API int KelvoSession_GetCameraCount(void* session, const char* nodeKey);
KELVO_API int KelvoSession_GetCamera(void* session, const char* nodeKey, CameraInfo* cameras,
                                     int* count);
KELVO_API int KelvoSession_GetRightMask(void* session);
KELVO_API int KelvoSession_GetMaxStream(void* session);
/* address must hold 32 bytes; port may be null. */
KELVO_API int KelvoSession_GetRecordServer(void* session, const char* cameraKey, char* address,
                                           unsigned short* port);

/* ---- stream family ---- */
KELVO_API void* KelvoStream_Create(void* session, const char* cameraKey);
KELVO_API void KelvoStream_Destory(void* stream);
KELVO_API void KelvoStream_SetCallBack(void* stream, StreamCallback callback, void* user);
KELVO_API void KelvoStream_SetDataType(void* stream, int type);
KELVO_API void KelvoStream_SetDataCallBack(void* stream, StreamDataCallback callback, void* user);
KELVO_API int KelvoStream_Start(void* stream);
KELVO_API void KelvoStream_Stop(void* stream);
KELVO_API int KelvoStream_isPlay(void* stream);
KELVO_API void KelvoStream_StartTalk(void* stream);
KELVO_API void KelvoStream_StopTalk(void* stream);
KELVO_API int KelvoStream_isTalk(void* stream);
KELVO_API void KelvoStream_Ptz(void* stream, int command, int parameter);
KELVO_API int KelvoStream_StartRecord(void* stream, const char* directory);
KELVO_API void KelvoStream_StopRecord(void* stream);
KELVO_API int KelvoStream_isRecord(void* stream);
KELVO_API int KelvoStream_Snappic(void* stream, const char* directory);
KELVO_API int KelvoStream_SnappicEx(void* stream, const char* path);
KELVO_API int KelvoStream_hasAudio(void* stream);
KELVO_API int KelvoStream_isAudioEnable(void* stream);
KELVO_API void KelvoStream_SetAudioEnable(void* stream, int enable);
KELVO_API void KelvoStream_EnableAlarm(void* stream, int enable);
KELVO_API int KelvoStream_isEnableAlarm(void* stream);
KELVO_API void KelvoStream_ClearAlarm(void* stream);
KELVO_API void KelvoStream_SetAlarmTime(void* stream, int seconds);
KELVO_API int KelvoStream_GetAlarmTime(void* stream);
/* With items null: the number of current alarm regions. Else fills at most
   *count in region order, sets *count to the number written and returns it. */
KELVO_API int KelvoStream_GetAlarms(void* stream, KelvoAlarmInfo* items, int* count);
/* 1 and *stats filled; 0 for a null handle or null stats. */
KELVO_API int KelvoStream_GetStats(void* stream, KelvoStreamStats* stats);

/* ---- record family ---- */
KELVO_API void* KelvoRecord_Create(void);
KELVO_API void KelvoRecord_Destory(void* record);
KELVO_API void KelvoRecord_SetCallBack(void* record, RecordCallback callback, void* user);
KELVO_API int KelvoRecord_Login(void* record, const char* host, int port, const char* user,
                                const char* password);
KELVO_API void KelvoRecord_Logout(void* record);
KELVO_API int KelvoRecord_Query(void* record, const char* cameraKey, int begin, int end);
KELVO_API int KelvoRecord_GetItemsCount(void* record);
KELVO_API int KelvoRecord_GetItems(void* record, RecordItem* items, int* count);

#ifdef __cplusplus
}
#endif

#endif /* KELVO_NETWORK_H */
