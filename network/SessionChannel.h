// The viewer's one connection to the central server: address lookup,
// login, heartbeat, reconnect, the directory, rights, and the device
// messages of the streams made from it.
//
// Thread contract:
//   - Login, Logout, Refresh, the getters, PostDeviceMessage,
//     PostStreamRequest: any thread.
//   - Events are raised on the connection thread, on the lookup thread
//     (lookup failures) or on the caller of Login (Connecting).
//   - m_lock (recursive) guards the directory, the rights, the talk map and
//     the stream list. Directory-ready is raised with it held; a callback
//     may call the getters on the same thread.
//   - Event delivery and the remembered last event are guarded by
//     m_eventLock, which is never held while a callback runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "IAudioEngine.h"
#include "KelvoNetwork.h"
#include "network/Directory.h"
#include "network/Rights.h"
#include "network/TcpSession.h"

// What the session needs of a stream made from it.
class SessionStream {
public:
    virtual ~SessionStream() = default;
    virtual std::string CameraKey() const = 0;
    virtual void EndTalk() = 0;
    virtual void OnTalkOpenReply(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                                 uint32_t length) = 0;
    virtual void OnTalkData(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                            uint32_t length) = 0;
    virtual void OnTalkClosed(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                              uint32_t length) = 0;
};

class SessionChannel : public TcpSession {
public:
    static constexpr int kLookupResends = 10;
    static constexpr uint32_t kHeartbeatTimeout = 90;
    static constexpr uint32_t kHeartbeatInterval = 30;
    static constexpr int64_t kServerTimeStep = 240;
    static constexpr size_t kCredentialChars = 36;

    // `engine` (borrowed, process-wide) is set up here and shut down by the
    // destructor; null means the real one.
    explicit SessionChannel(kelvo::IAudioEngine* engine = nullptr);
    ~SessionChannel() override;

    int Login(const char* host, int port, const char* user, const char* password, int lookup);
    void Logout();
    void Refresh();
    void SetCallBack(SessionCallback callback, void* user);

    // --- directory and rights, under m_lock
    int GetNodeCount(const char* key);
    int GetNode(const char* key, NodeInfo* nodes, int* count);
    int GetCameraCount(const char* key);
    int GetCamera(const char* key, CameraInfo* cameras, int* count);
    int GetRightMask();
    int GetMaxStream();
    int GetRecordServer(const char* cameraKey, char* address, unsigned short* port);
    // A copy of the camera's record; false when the key is unknown.
    bool LookupCamera(const std::string& key, CameraRecord* out);

    // --- for streams
    void PostDeviceMessage(uint32_t kind, uint32_t receiver, const char* cameraKey,
                           uint32_t channel, const uint8_t* payload, uint32_t length);
    void PostStreamRequest(const char* cameraKey, bool start);
    void AddStream(SessionStream* stream);
    void RemoveStream(SessionStream* stream);
    platform::CriticalSection& Lock() { return m_lock; }
    // Talk map: device number → camera key. Under m_lock.
    std::map<int, std::string>& TalkMap() { return m_talkMap; }
    uint32_t ClientId() const { return m_clientId.load(); }
    std::string UserName() const;
    std::string Password() const;

    // Test hooks: lookup wait per send (1000 ms in service).
    void SetLookupWaitMs(int ms) { m_lookupWaitMs = ms; }

protected:
    bool OnConnect(bool connected) override;
    bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) override;
    void OnTimer() override;
    void OnClose() override {}

private:
    static int LookupThunk(void* self);
    int AddressLookup();
    bool StartConnection();
    void RaiseEvent(int event, int value1, int value2);
    void Dispatch(const uint8_t* packet, size_t length);
    void OnLoginResp(const uint8_t* packet, size_t length);
    void OnHeartbeat(const uint8_t* packet, size_t length);
    void OnNodeList(const uint8_t* packet, size_t length);
    void OnCameraList(const uint8_t* packet, size_t length);
    void OnDeviceMessage(const uint8_t* packet, size_t length);
    void OnTalkMessage(uint32_t sender, uint32_t receiver, const uint8_t* payload, uint32_t length);
    void AccessCheck();
    void EndAllTalks();

    // --- guarded by m_lock
    platform::CriticalSection m_lock;
    Directory m_directory;
    Rights m_rights;
    std::map<int, std::string> m_talkMap;
    std::vector<SessionStream*> m_streams;  // borrowed; each stream is destroyed before us
    bool m_directoryPending = false;
    std::string m_user;      // at most 36 characters
    std::string m_password;  // at most 36 characters

    // --- connection thread (and Login before the thread starts)
    std::atomic<int64_t> m_expiry{0};
    std::atomic<int64_t> m_serverTime{0};
    std::atomic<uint32_t> m_heartbeatTime{0};
    std::atomic<int> m_reconnectAttempts{0};
    std::atomic<uint32_t> m_clientId{0};

    // --- event delivery
    std::mutex m_eventLock;
    SessionCallback m_callback = nullptr;
    void* m_callbackUser = nullptr;
    bool m_hasLastEvent = false;
    int m_lastEvent = 0;
    int m_lastValue1 = 0;

    kelvo::IAudioEngine& m_engine;

    // --- lookup
    std::atomic<bool> m_lookupRunning{false};
    std::unique_ptr<CThreadWrapper> m_lookupThread;
    int m_lookupWaitMs = 1000;
    std::mutex m_startLock;  // orders connection-thread starts from Login and lookup
};
