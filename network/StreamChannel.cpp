#include "network/StreamChannel.h"
#include "network/StreamPipeline.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "AudioEngine.h"
#include "AviWriter.h"
#include "SnapshotWriter.h"
#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "network/PacketFramer.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"

StreamChannel::StreamChannel(SessionChannel* session, FrameDecoderFactory decoders,
                             kelvo::IAudioEngine* engine, StreamRecorder::WriterFactory writers)
    : m_session(session),
      m_decoders(std::move(decoders)),
      m_audio(std::make_unique<StreamAudio>(
          engine ? *engine : static_cast<kelvo::IAudioEngine&>(kelvo::AudioEngine::Instance()),
          [this](const uint8_t* data, int bytes) { SendTalkData(data, bytes); })),
      m_recorder(writers ? writers : &kelvo::AviWriter::CreateWriter) {}

StreamChannel::~StreamChannel() {
    platform::DebugTrace("~StreamChannel");
    Stop();
}

void StreamChannel::Open(uint32_t deviceNumber, const std::string& relayHost, uint16_t relayPort,
                         const std::string& user, const std::string& password,
                         const std::string& cameraKey) {
    SetServer(relayHost.c_str(), relayPort);
    m_deviceNumber = deviceNumber;
    m_user = user;
    m_password = password;
    m_cameraKey = cameraKey;
    m_playing = false;
    m_refused = false;
}

void StreamChannel::Report(int state, int value1, int value2) {
    platform::DebugTrace("CallState %x", state);
    StreamCallback callback;
    void* user;
    {
        platform::ScopedLock lock(m_mediaLock);
        callback = m_stateCallback;
        user = m_stateUser;
    }
    if (callback) callback(state, value1, value2, user);
}

void StreamChannel::SetCallBack(StreamCallback callback, void* user) {
    platform::ScopedLock lock(m_mediaLock);
    m_stateCallback = callback;
    m_stateUser = user;
}

void StreamChannel::SetDataType(int type) {
    platform::ScopedLock lock(m_mediaLock);
    m_dataType = type;
}

void StreamChannel::SetDataCallBack(StreamDataCallback callback, void* user) {
    platform::ScopedLock lock(m_mediaLock);
    m_dataCallback = callback;
    m_dataUser = user;
}

relay::Description StreamChannel::Description() {
    platform::ScopedLock lock(m_mediaLock);
    return m_description;
}

bool StreamChannel::StartStream() {
    m_audioEnable = false;
    m_lastAudioCodec = -1;
    m_refused = false;
    m_everConnected = false;
    m_stopping = false;
    m_session->PostStreamRequest(m_cameraKey.c_str(), true);
    // Reported before the thread starts, so it can never follow the
    // thread's own first report.
    Report(KELVO_STREAM_STARTING, 0, 0);
    if (!HasThread()) Start();
    return true;
}

void StreamChannel::Stop() {
    m_stopping = true;
    m_session->PostStreamRequest(m_cameraKey.c_str(), false);
    StopRecord();
    StopTalk();
    m_playing = false;
    TcpSession::Stop();
    TeardownPipeline();
    m_audio->Close();
    {
        platform::ScopedLock lock(m_recordLock);
        m_alarms.Clear();
    }
    m_refused = false;
}

void StreamChannel::BackoffWait() {
    int n = m_retry;
    unsigned waitMs;
    if (n > 10) {
        m_retry = 10;
        waitMs = m_backoffCapMs;
    } else {
        waitMs = static_cast<unsigned>(n) * m_backoffStepMs;
    }
    SleepUnlessStopped(waitMs, 50);
}

bool StreamChannel::OnConnect(bool connected) {
    if (connected) {
        // The login must be the first message on every connection.
        ClearOutgoing();
        PostRelay(relay::Login(m_user.c_str(), m_password.c_str()));
        if (m_playing.exchange(false))
            Report(KELVO_STREAM_RECONNECTING, 0, 0);
        else
            Report(KELVO_STREAM_CONNECTED, 0, 0);
        m_retry = 0;
        m_everConnected = true;
        return true;
    }
    if (m_refused) return false;
    if (!m_everConnected) {
        // Only the very first attempt of a start gives up at once; after a
        // connection was up, a failed reconnect is a retry.
        Report(KELVO_STREAM_FAILED, 0x201, 0);
        return false;
    }
    platform::DebugTrace("retry ========");
    ++m_retry;
    ClearOutgoing();
    Report(KELVO_STREAM_RECONNECTING, std::min<int>(m_retry, 10), 0);
    BackoffWait();
    return true;
}

void StreamChannel::OnClose() {
    if (m_stopping) return;
    if (m_refused) {
        // A relay that refused us and hung up is not called again.
        RequestStop();
        return;
    }
    Report(KELVO_STREAM_DISCONNECTED, 0, 0);
}

bool StreamChannel::OnReceive(const uint8_t* data, size_t size, size_t* consumed) {
    return framing::CutPackets(data, size, consumed,
                               [this](const uint8_t* p, size_t n) { Dispatch(p, n); });
}

void StreamChannel::Dispatch(const uint8_t* packet, size_t length) {
    if (length < proto::kHeaderSize) return;
    switch (wire::GetU32(packet + 4)) {
    case proto::kStreamLoginResp: OnLoginReply(packet, length); break;
    case proto::kStreamDownloadResp: OnDownloadReply(packet, length); break;
    case proto::kStreamMedia: OnMedia(packet, length); break;
    default: break;
    }
}

void StreamChannel::OnLoginReply(const uint8_t* packet, size_t length) {
    relay::LoginReply reply;
    if (!relay::ParseLoginReply(packet, length, &reply)) return;
    platform::DebugTrace("login resp : %d\r\n", reply.result);
    if (reply.result == 0) {
        m_sessionValue = reply.session;
        PostRelay(relay::DownloadRequest(m_cameraKey.c_str()));
        Report(KELVO_STREAM_REQUESTING, 0, 0);
    } else {
        m_refused = true;
        Report(KELVO_STREAM_FAILED, 0x202, 0);
    }
}

void StreamChannel::OnDownloadReply(const uint8_t* packet, size_t length) {
    relay::Description d;
    if (!relay::ParseDescription(packet, length, &d)) return;
    if (d.result != 0) {
        m_session->PostStreamRequest(m_cameraKey.c_str(), true);
        ++m_retry;
        Report(KELVO_STREAM_REQUESTING, std::min<int>(m_retry, 10), 0);
        BackoffWait();
        if (!StopRequested()) PostRelay(relay::DownloadRequest(m_cameraKey.c_str()));
        return;
    }
    platform::DebugTrace("StreamChannel::OnDownloadResponse");
    const int64_t w = d.Width(), h = d.Height();
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) {
        platform::DebugTrace("stream description refused: %lldx%lld", static_cast<long long>(w),
                             static_cast<long long>(h));
        return;
    }
    {
        platform::ScopedLock lock(m_mediaLock);
        m_description = d;
    }
    m_audioCodec = d.audioCodec;
    m_lastAudioCodec = -1;
    StopTalk();
    m_audioEnable = false;
    PostRelay(relay::AudioControl(false));
    SetupPipeline(d);
    {
        // A new size or rate begins a new file.
        platform::ScopedLock lock(m_recordLock);
        if (m_recorder.IsRecording()) {
            const std::string directory = m_recorder.Directory();
            m_recorder.Stop();
            m_recorder.Start(directory, d.Width(), d.Height(), d.FrameRate());
        }
    }
    Report(KELVO_STREAM_DESCRIBED, d.Width(), d.Height());
}

void StreamChannel::OnMedia(const uint8_t* packet, size_t length) {
    relay::Media media;
    if (!relay::ParseMedia(packet, length, &media)) return;
    if (!m_playing.exchange(true)) Report(KELVO_STREAM_PLAYING, 0, 0);
    switch (media.kind) {
    case relay::kVideo: OnVideo(media); break;
    case relay::kAudio: OnAudio(media); break;
    case relay::kAlarm: {
        relay::AlarmRecord record;
        if (!relay::ParseAlarm(packet, length, &record)) break;
        platform::ScopedLock lock(m_recordLock);
        m_alarms.Add(record, platform::NowSeconds());
        break;
    }
    default: break;
    }
}

void StreamChannel::OnAudio(const relay::Media& media) {
    if (media.subtype == 0) {
        m_audio->Close();
        return;
    }
    if (m_lastAudioCodec.exchange(media.subtype) != media.subtype) {
        m_audio->Open(media.subtype, m_audioCodec);
        Report(KELVO_STREAM_PLAYING, 0, 0);
    }
    if (m_audioEnable) m_audio->PlayPacket(media.payload, static_cast<int>(media.payloadLength));
}

void StreamChannel::SetAudioEnable(bool enable) {
    m_audioEnable = enable;
    PostRelay(relay::AudioControl(enable));
}

bool StreamChannel::HasAudio() const { return m_audioCodec != 26 || m_talk; }

uint32_t StreamChannel::DeviceNumber() {
    CameraRecord cam;
    return m_session->LookupCamera(m_cameraKey, &cam) ? cam.deviceNumber : m_deviceNumber;
}

// --- snapshots and recording

bool StreamChannel::WriteSnapshot(const std::string& path) {
    if (m_stopping || StopRequested()) return false;
    platform::ScopedLock lock(m_mediaLock);
    if (!m_pipeline || m_pipeline->width <= 0 || m_pipeline->height <= 0) return false;
    const Pipeline& p = *m_pipeline;
    std::string written;
    // Never replaces a file: a second snapshot in the same second is "_1".
    return kelvo::SnapshotWriter::WriteJpegUnique(p.frame.data(), p.frame.size(), p.width, p.height,
                                                  path, &written);
}

bool StreamChannel::Snappic(const std::string& directory) {
    time_t now = time(nullptr);
    struct tm local;
    char name[32] = {};
    if (!localtime_r(&now, &local) || !strftime(name, sizeof name, "%Y%m%d%H%M%S.jpg", &local))
        return false;
    return WriteSnapshot(directory + name);
}

bool StreamChannel::SnappicEx(const std::string& path) { return WriteSnapshot(path); }

bool StreamChannel::StartRecord(const std::string& directory) {
    if (m_stopping || StopRequested()) return false;
    relay::Description d = Description();
    platform::ScopedLock lock(m_recordLock);
    return m_recorder.Start(directory, d.Width(), d.Height(), d.FrameRate());
}

void StreamChannel::StopRecord() {
    platform::ScopedLock lock(m_recordLock);
    m_recorder.Stop();
}

bool StreamChannel::IsRecord() {
    platform::ScopedLock lock(m_recordLock);
    return m_recorder.IsRecording();
}

// --- alarms and PTZ

void StreamChannel::Ptz(int command, int parameter) {
    const uint32_t device = DeviceNumber();
    uint8_t payload[12] = {};
    wire::PutU16(payload, 12);
    wire::PutU16(payload + 2, static_cast<uint16_t>(command));
    wire::PutU16(payload + 4, static_cast<uint16_t>(parameter));
    m_session->PostDeviceMessage(proto::kDeviceKindPtz, device, m_cameraKey.c_str(),
                                 proto::kDeviceKindPtz, payload, sizeof payload);
    platform::ScopedLock lock(m_recordLock);
    m_alarms.Clear();
}

void StreamChannel::EnableAlarm(bool enable) {
    platform::ScopedLock lock(m_recordLock);
    m_alarmEnable = enable;
    if (!enable) m_alarms.Clear();
}

bool StreamChannel::IsEnableAlarm() {
    platform::ScopedLock lock(m_recordLock);
    return m_alarmEnable;
}

void StreamChannel::ClearAlarm() {
    platform::ScopedLock lock(m_recordLock);
    m_alarms.Clear();
}

void StreamChannel::SetAlarmTime(int seconds) {
    platform::ScopedLock lock(m_recordLock);
    m_alarmTime = seconds;
}

int StreamChannel::GetAlarmTime() {
    platform::ScopedLock lock(m_recordLock);
    return m_alarmTime;
}

size_t StreamChannel::AlarmCount() {
    platform::ScopedLock lock(m_recordLock);
    return m_alarms.Size();
}

void StreamChannel::GetStats(KelvoStreamStats* out) const {
    *out = KelvoStreamStats{};
    out->framesReceived = m_framesReceived.load();
    out->bytesReceived = m_bytesReceived.load();
    out->framesDecoded = m_framesDecoded.load();
    out->framesDropped = m_framesDropped.load();
    out->latencyMs = m_latencyMs.load();
    std::snprintf(out->codec, sizeof out->codec, "%s", m_codec.load());
    out->width = m_statWidth.load();
    out->height = m_statHeight.load();
}

int StreamChannel::GetAlarms(KelvoAlarmInfo* items, int* count) {
    platform::ScopedLock lock(m_recordLock);
    const int size = static_cast<int>(m_alarms.Size());
    if (!items) return size;
    if (!count) return 0;
    const int n = std::max(0, std::min(*count, size));
    int i = 0;
    for (const auto& kv : m_alarms.Entries()) {
        if (i == n) break;
        const relay::AlarmRecord& r = kv.second.region;
        items[i++] = KelvoAlarmInfo{r.region, r.type, r.x, r.y, r.width, r.height,
                                    static_cast<long long>(kv.second.arrival)};
    }
    *count = n;
    return n;
}

// --- talk

void StreamChannel::StartTalk() {
    const bool raw = m_audioCodec == StreamAudio::kRawPcmCodec;
    bool openedHere = false;
    if (raw) openedHere = m_audio->Open(0, StreamAudio::kRawPcmCodec);
    bool busy;
    const uint32_t device = DeviceNumber();
    {
        platform::ScopedLock lock(m_session->Lock());
        auto& talks = m_session->TalkMap();
        busy = talks.count(static_cast<int>(device)) != 0;
        if (!busy) {
            talks[static_cast<int>(device)] = m_cameraKey;
            uint8_t payload[12] = {};
            wire::PutU16(payload, 12);
            wire::PutU16(payload + 2, 0x4002);
            m_session->PostDeviceMessage(proto::kDeviceKindTalk, device, m_cameraKey.c_str(),
                                         proto::kDeviceKindTalk, payload, sizeof payload);
        }
    }
    if (busy) {
        // A refused start leaves nothing open behind it.
        if (openedHere && !m_talk) m_audio->Close();
        Report(KELVO_STREAM_TALK, 0x204, 0);
    }
}

void StreamChannel::StopTalk() {
    const uint32_t device = DeviceNumber();
    const bool wasOpen = m_talk.exchange(false);
    m_audio->SetTalking(false);
    if (m_audioCodec == StreamAudio::kRawPcmCodec) m_audio->Close();
    {
        platform::ScopedLock lock(m_session->Lock());
        auto& talks = m_session->TalkMap();
        auto it = talks.find(static_cast<int>(device));
        const bool mine = it != talks.end() && it->second == m_cameraKey;
        if (wasOpen || mine) {
            if (mine) talks.erase(it);
            uint8_t payload[4] = {};
            wire::PutU16(payload, 4);
            wire::PutU16(payload + 2, 0x4008);
            m_session->PostDeviceMessage(proto::kDeviceKindTalk, device, m_cameraKey.c_str(),
                                         proto::kDeviceKindTalk, payload, sizeof payload);
        }
    }
    m_audioEnable = false;
    PostRelay(relay::AudioControl(false));
}

void StreamChannel::SendTalkData(const uint8_t* data, int bytes) {
    if (bytes <= 0 || bytes > 0xFFFF - 4) return;
    std::vector<uint8_t> payload(static_cast<size_t>(bytes) + 4);
    wire::PutU16(payload.data(), static_cast<uint16_t>(bytes + 4));
    wire::PutU16(payload.data() + 2, 0x4006);
    std::copy(data, data + bytes, payload.begin() + 4);
    m_session->PostDeviceMessage(proto::kDeviceKindTalk, DeviceNumber(), m_cameraKey.c_str(),
                                 proto::kDeviceKindTalk, payload.data(),
                                 static_cast<uint32_t>(payload.size()));
}

bool StreamChannel::IsTalk() {
    if (m_talk) return true;
    const uint32_t device = DeviceNumber();
    platform::ScopedLock lock(m_session->Lock());
    auto it = m_session->TalkMap().find(static_cast<int>(device));
    return it != m_session->TalkMap().end() && it->second == m_cameraKey;
}

void StreamChannel::OnTalkOpenReply(uint32_t, uint32_t, const uint8_t* payload, uint32_t length) {
    const uint16_t status = length >= 6 ? wire::GetU16(payload + 4) : 1;
    if (status == 0) {
        m_talk = true;
        m_audio->SetTalking(true);
        m_audioEnable = true;
        PostRelay(relay::AudioControl(true));
        Report(KELVO_STREAM_TALK, 1, 1);
    } else {
        m_talk = false;
        m_audio->SetTalking(false);
        if (m_audioCodec == StreamAudio::kRawPcmCodec) m_audio->Close();
        Report(KELVO_STREAM_TALK, 0x204, 0);
    }
}

void StreamChannel::OnTalkData(uint32_t, uint32_t, const uint8_t* payload, uint32_t length) {
    if (m_audioCodec != StreamAudio::kRawPcmCodec || !m_talk || !m_audioEnable || length <= 4) return;
    m_audio->PlayPcm(payload + 4, static_cast<int>(length - 4));
}

void StreamChannel::OnTalkClosed(uint32_t, uint32_t, const uint8_t*, uint32_t) {
    m_talk = false;
    m_audio->SetTalking(false);
    if (m_audioCodec == StreamAudio::kRawPcmCodec) m_audio->Close();
    Report(KELVO_STREAM_TALK, 0, 0);
}
