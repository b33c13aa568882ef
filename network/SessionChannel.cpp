#include "network/SessionChannel.h"

#include <arpa/inet.h>

#include <cstring>

#include "AudioEngine.h"
#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "network/PacketFramer.h"
#include "network/PasswordDigest.h"
#include "network/SessionPackets.h"
#include "platform/DebugOutput.h"
#include "platform/Socket.h"

namespace {

std::string Bounded(const char* text, size_t chars) {
    return text ? std::string(text, strnlen(text, chars)) : std::string();
}

void Post(TcpSession& session, const packets::Bytes& packet) {
    session.PostPacket(packet.data(), packet.size());
}

}  // namespace

SessionChannel::SessionChannel(kelvo::IAudioEngine* engine)
    : m_engine(engine ? *engine : static_cast<kelvo::IAudioEngine&>(kelvo::AudioEngine::Instance())) {
    m_engine.Initialise();
    m_engine.SetCaptureDevice(0);
    m_engine.SetEchoCancellation(1);
    m_engine.SetNoiseSuppression(1);
    m_engine.SetPlaybackVolume(-1, 0);
}

SessionChannel::~SessionChannel() {
    // Destroyed from its own callback, this may run on the connection thread
    // while the Login that started the thread still holds the start lock:
    // wait for it to let go before the lock goes.
    { std::lock_guard<std::mutex> returning(m_startLock); }
    m_lookupRunning = false;
    if (m_lookupThread) m_lookupThread->Stop();
    Stop();
    {
        platform::ScopedLock lock(m_lock);
        m_directory.Clear();
    }
    m_engine.Shutdown();
}

void SessionChannel::SetCallBack(SessionCallback callback, void* user) {
    std::lock_guard<std::mutex> lock(m_eventLock);
    m_callback = callback;
    m_callbackUser = user;
}

void SessionChannel::RaiseEvent(int event, int value1, int value2) {
    SessionCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> lock(m_eventLock);
        if (m_hasLastEvent && m_lastEvent == event && m_lastValue1 == value1) return;
        callback = m_callback;
        user = m_callbackUser;
        if (!callback) return;
        m_hasLastEvent = true;
        m_lastEvent = event;
        m_lastValue1 = value1;
    }
    callback(event, value1, value2, user);
}

std::string SessionChannel::UserName() const {
    platform::ScopedLock lock(const_cast<platform::CriticalSection&>(m_lock));
    return m_user;
}

std::string SessionChannel::Password() const {
    platform::ScopedLock lock(const_cast<platform::CriticalSection&>(m_lock));
    return m_password;
}

int SessionChannel::Login(const char* host, int port, const char* user, const char* password,
                          int lookup) {
    const std::string userName = Bounded(user, kCredentialChars);
    platform::DebugTrace("username =%s,len =%d", userName.c_str(), static_cast<int>(userName.size()));
    {
        // A new login always gets its outcome reported, even when it equals
        // the last event of the previous one.
        std::lock_guard<std::mutex> lock(m_eventLock);
        m_hasLastEvent = false;
    }
    if ((lookup & 0xFF) != 0) {
        if (m_lookupRunning.exchange(false) && m_lookupThread) m_lookupThread->Stop();
    }
    {
        std::lock_guard<std::mutex> startLock(m_startLock);
        m_reconnectAttempts = 0;
        if (!HasThread()) SetServer(host, static_cast<uint16_t>(port));
        {
            platform::ScopedLock lock(m_lock);
            m_user = userName;
            m_password = Bounded(password, kCredentialChars);
        }
        m_reconnectAllowed = false;
        m_expiry = 0;
        m_serverTime = 0;
    }

    if ((lookup & 0xFF) != 0) {
        if (m_lookupThread) m_lookupThread->Stop();
        m_lookupThread = std::make_unique<CThreadWrapper>(&SessionChannel::LookupThunk, this);
        m_lookupRunning = true;
        if (!m_lookupThread->Start()) {
            m_lookupRunning = false;
            return -1;
        }
        RaiseEvent(KELVO_SESSION_CONNECTING, 0, 0);
        return 0;
    }
    return StartConnection() ? 0 : -1;
}

bool SessionChannel::StartConnection() {
    std::lock_guard<std::mutex> startLock(m_startLock);
    if (HasThread()) return false;
    return Start();
}

void SessionChannel::Logout() {
    m_lookupRunning = false;
    if (m_lookupThread) m_lookupThread->Stop();
    Stop();
    platform::ScopedLock lock(m_lock);
    m_directory.Clear();
}

int SessionChannel::LookupThunk(void* self) {
    return static_cast<SessionChannel*>(self)->AddressLookup();
}

int SessionChannel::AddressLookup() {
    const uint32_t address = platform::ResolveIPv4(Host());
    if (address == 0) {
        RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE, 0);
        return 0;
    }
    platform::UdpSocket udp;
    if (!udp.Open()) {
        RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE, 0);
        return 0;
    }
    const uint16_t portNet = htons(PortHostOrder());
    const packets::Bytes request = packets::LookupRequest(
        UserName().c_str(), digest::PasswordDigest(Password()));
    udp.SendTo(address, portNet, request.data(), request.size());

    int resends = 0;
    uint8_t reply[proto::kLookupReplySize];
    packets::LookupReply parsed;
    bool answered = false;
    while (m_lookupRunning && !m_lookupThread->ShouldStop()) {
        long got = -1;
        // Wait in slices so Logout ends the lookup promptly.
        for (int waited = 0; waited < m_lookupWaitMs && m_lookupRunning; waited += 50) {
            got = udp.RecvFrom(reply, sizeof reply, std::min(50, m_lookupWaitMs - waited));
            if (got >= 0) break;
        }
        if (!m_lookupRunning) break;
        if (got >= 0 && packets::ParseLookupReply(reply, static_cast<size_t>(got), &parsed)) {
            answered = true;
            break;
        }
        if (resends >= kLookupResends) {
            RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE, 0);
            break;
        }
        platform::SleepMs(15);
        udp.SendTo(address, portNet, request.data(), request.size());
        ++resends;
    }
    if (answered) {
        if (parsed.result == 0) {
            std::lock_guard<std::mutex> startLock(m_startLock);
            platform::DebugTrace("address = %s ,port =%d", parsed.host.c_str(), parsed.port);
            if (!HasThread()) {
                SetServer(parsed.host.empty() ? std::string(Host()).c_str() : parsed.host.c_str(),
                          parsed.port);
                Start();
            }
        } else {
            RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED, parsed.result);
        }
    }
    return 0;
}

bool SessionChannel::OnConnect(bool connected) {
    platform::DebugTrace(" SessionChannel::OnConnect");
    if (connected) {
        // A talk request lost with the old connection must not keep its
        // device busy.
        {
            platform::ScopedLock lock(m_lock);
            m_talkMap.clear();
        }
        m_heartbeatTime = 0;
        RaiseEvent(KELVO_SESSION_CONNECTED, 0, 0);
        Post(*this, packets::LoginRequest(UserName().c_str(), digest::PasswordDigest(Password())));
        return true;
    }
    if (m_reconnectAllowed) {
        ++m_reconnectAttempts;
        ClearOutgoing();
        EndAllTalks();
        if (m_reconnectAttempts <= 2) {
            RaiseEvent(KELVO_SESSION_RECONNECTING, m_reconnectAttempts, 0);
            return true;
        }
    }
    RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_UNREACHABLE, 0);
    return false;
}

void SessionChannel::EndAllTalks() {
    std::vector<SessionStream*> streams;
    {
        platform::ScopedLock lock(m_lock);
        streams = m_streams;
        m_talkMap.clear();
    }
    for (SessionStream* s : streams) s->EndTalk();
}

bool SessionChannel::OnReceive(const uint8_t* data, size_t size, size_t* consumed) {
    return framing::CutPackets(data, size, consumed, [this](const uint8_t* p, size_t n) {
        platform::ConsoleTrace("recv packet !!\r\n");
        Dispatch(p, n);
    });
}

void SessionChannel::Dispatch(const uint8_t* packet, size_t length) {
    if (length < proto::kHeaderSize) return;  // no command to read
    switch (wire::GetU32(packet + 4)) {
    case proto::kSessionHeartbeat: OnHeartbeat(packet, length); break;
    case proto::kNodeListResp: OnNodeList(packet, length); break;
    case proto::kCameraListResp: OnCameraList(packet, length); break;
    case proto::kStreamRequest: break;  // the reply carries nothing we use
    case proto::kDeviceMessage: OnDeviceMessage(packet, length); break;
    case proto::kSessionLoginResp: OnLoginResp(packet, length); break;
    default: break;
    }
}

void SessionChannel::OnLoginResp(const uint8_t* packet, size_t length) {
    platform::DebugTrace("onLoginResp");
    m_reconnectAttempts = 0;
    if (length < proto::kLoginRespFixed) return;
    const uint16_t result = wire::GetU16(packet + 8);
    if (result != 0) {
        RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_REFUSED, result);
        m_reconnectAllowed = false;
        return;
    }
    m_clientId = wire::GetU32(packet + 12);
    m_expiry = wire::GetU32(packet + 20);
    const uint32_t textLength = wire::GetU32(packet + 24);
    if (static_cast<uint64_t>(textLength) <= length - proto::kLoginRespFixed) {
        std::string text(reinterpret_cast<const char*>(packet + proto::kLoginRespFixed), textLength);
        platform::DebugTrace("%s", text.c_str());
        platform::ScopedLock lock(m_lock);
        m_rights.Parse(text, m_serverTime);
    }
    m_serverTime = 0;
    {
        platform::ScopedLock lock(m_lock);
        m_directoryPending = false;
    }
    m_reconnectAllowed = true;
    Post(*this, packets::Heartbeat());
    Refresh();
    RaiseEvent(KELVO_SESSION_LOGGED_IN, 0, 0);
}

void SessionChannel::OnHeartbeat(const uint8_t* packet, size_t length) {
    m_heartbeatTime = Clock().NowSeconds();
    if (length < 20) return;  // no server time in it
    const int64_t serverTime = wire::GetU32(packet + 16);
    if (serverTime - m_serverTime.load() > kServerTimeStep) {
        m_serverTime = serverTime;
        AccessCheck();
    }
}

void SessionChannel::AccessCheck() {
    const int64_t expiry = m_expiry, now = m_serverTime;
    if (expiry > 0 && now > 0 && expiry < now) {
        RaiseEvent(KELVO_SESSION_FAILED, KELVO_FAIL_EXPIRED, 0);
        return;
    }
    platform::ScopedLock lock(m_lock);
    if (!m_rights.CheckSchedule(now))
        RaiseEvent(KELVO_SESSION_OUTSIDE_SCHEDULE, static_cast<int>(static_cast<uint32_t>(now)), 0);
}

void SessionChannel::OnTimer() {
    const uint32_t now = Clock().NowSeconds();
    const uint32_t last = m_heartbeatTime;
    if (last != 0 && static_cast<int64_t>(now) - last > kHeartbeatTimeout) {
        Close();
        SetState(ConnectionState::Disconnected);
        m_heartbeatTime = 0;
    } else if (static_cast<int64_t>(now) - last > kHeartbeatInterval) {
        Post(*this, packets::Heartbeat());
    }
}

void SessionChannel::Refresh() {
    platform::ScopedLock lock(m_lock);
    if (m_directoryPending) return;
    Post(*this, packets::NodeListRequest());
    m_directoryPending = true;
}

void SessionChannel::OnNodeList(const uint8_t* packet, size_t length) {
    bool complete;
    {
        platform::ScopedLock lock(m_lock);
        complete = m_directory.ApplyNodeList(packet, length);
        // A bad list leaves the directory empty but lets Refresh ask again.
        if (!complete) m_directoryPending = false;
    }
    if (complete) Post(*this, packets::CameraListRequest());
}

void SessionChannel::OnCameraList(const uint8_t* packet, size_t length) {
    platform::ScopedLock lock(m_lock);
    m_directoryPending = false;
    if (!m_directory.ApplyCameraList(packet, length, Host())) return;
    RaiseEvent(KELVO_SESSION_DIRECTORY_READY, static_cast<int>(Clock().NowSeconds()), 0);
}

void SessionChannel::OnDeviceMessage(const uint8_t* packet, size_t length) {
    if (length < proto::kDeviceHeadSize) return;
    const uint32_t kind = wire::GetU32(packet + 8);
    const uint32_t sender = wire::GetU32(packet + 12);
    const uint32_t receiver = wire::GetU32(packet + 16);
    const uint32_t payloadLength = wire::GetU32(packet + 60);
    if (payloadLength > length - proto::kDeviceHeadSize) return;
    const uint8_t* payload = packet + proto::kDeviceHeadSize;
    if (kind == proto::kDeviceKindPtz) {
        platform::DebugTrace("OnPtzCommand resp");
    } else if (kind == proto::kDeviceKindTalk) {
        OnTalkMessage(sender, receiver, payload, payloadLength);
    }
}

void SessionChannel::OnTalkMessage(uint32_t sender, uint32_t receiver, const uint8_t* payload,
                                   uint32_t length) {
    if (length < 4) return;
    const uint16_t inner = wire::GetU16(payload + 2);
    if (inner != 0x4004 && inner != 0x4006 && inner != 0x4008) return;
    platform::ScopedLock lock(m_lock);
    auto it = m_talkMap.find(static_cast<int>(sender));
    if (it == m_talkMap.end()) return;
    SessionStream* stream = nullptr;
    for (SessionStream* s : m_streams)
        if (s->CameraKey() == it->second) {
            stream = s;
            break;
        }
    if (inner == 0x4004) {
        if (length < 6 || wire::GetU16(payload + 4) != 0) m_talkMap.erase(it);
        if (stream) stream->OnTalkOpenReply(sender, receiver, payload, length);
    } else if (inner == 0x4006) {
        if (stream) stream->OnTalkData(sender, receiver, payload, length);
    } else {
        m_talkMap.erase(it);
        if (stream) stream->OnTalkClosed(sender, receiver, payload, length);
    }
}

void SessionChannel::PostDeviceMessage(uint32_t kind, uint32_t receiver, const char* cameraKey,
                                       uint32_t channel, const uint8_t* payload, uint32_t length) {
    if (State() != ConnectionState::Connected) return;
    Post(*this, packets::DeviceMessage(kind, m_clientId, receiver, channel, cameraKey, payload,
                                       length));
}

void SessionChannel::PostStreamRequest(const char* cameraKey, bool start) {
    Post(*this, packets::StreamRequest(cameraKey, start));
}

void SessionChannel::AddStream(SessionStream* stream) {
    platform::ScopedLock lock(m_lock);
    m_streams.push_back(stream);
}

void SessionChannel::RemoveStream(SessionStream* stream) {
    platform::ScopedLock lock(m_lock);
    for (auto it = m_streams.begin(); it != m_streams.end(); ++it)
        if (*it == stream) {
            m_streams.erase(it);
            return;
        }
}

int SessionChannel::GetNodeCount(const char* key) {
    platform::ScopedLock lock(m_lock);
    return m_directory.NodeCount(key);
}

int SessionChannel::GetNode(const char* key, NodeInfo* nodes, int* count) {
    platform::ScopedLock lock(m_lock);
    return m_directory.CopyNodes(key, nodes, count);
}

int SessionChannel::GetCameraCount(const char* key) {
    platform::ScopedLock lock(m_lock);
    return m_directory.CameraCount(key);
}

int SessionChannel::GetCamera(const char* key, CameraInfo* cameras, int* count) {
    platform::ScopedLock lock(m_lock);
    return m_directory.CopyCameras(key, cameras, count);
}

int SessionChannel::GetRightMask() {
    platform::ScopedLock lock(m_lock);
    return static_cast<int>(m_rights.Mask());
}

int SessionChannel::GetMaxStream() {
    platform::ScopedLock lock(m_lock);
    return m_rights.MaxStream();
}

int SessionChannel::GetRecordServer(const char* cameraKey, char* address, unsigned short* port) {
    if (!cameraKey) return 0;
    platform::ScopedLock lock(m_lock);
    const CameraRecord* cam = m_directory.FindCamera(Bounded(cameraKey, 36));
    if (!cam) return 0;
    if (address) {
        // The buffer holds 32 bytes: at most 31 characters and the NUL.
        size_t n = std::min<size_t>(cam->relayHost.size(), 31);
        std::memcpy(address, cam->relayHost.data(), n);
        address[n] = '\0';
    }
    if (port) *port = static_cast<unsigned short>(cam->basePort + 2);
    return 1;
}

bool SessionChannel::LookupCamera(const std::string& key, CameraRecord* out) {
    platform::ScopedLock lock(m_lock);
    const CameraRecord* cam = m_directory.FindCamera(key);
    if (!cam) return false;
    *out = *cam;
    return true;
}
