#include "sim/RelayPeer.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "sim/MediaLibrary.h"
#include "sim/PacketWriter.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

namespace {
constexpr uint8_t kAudio = 0, kVideo = 1, kAlarm = 2;
constexpr uint16_t kRefusedLogin = 7;
constexpr uint16_t kNoSuchCamera = 1;
constexpr uint16_t kCameraOffline = 2;
constexpr uint16_t kStreamBusy = 3;
constexpr uint16_t kNotOnThisRelay = 4;
constexpr size_t kMediaHead = 14;
// First timestamp of a stream; the client treats 0 as "no time".
constexpr uint32_t kFirstStamp = 1000;
}  // namespace

std::string RelayPeer::Tag() const { return m_ctx.name + " " + (m_camera ? m_camera->key : Remote()); }

void RelayPeer::OnPacket(uint32_t command, const uint8_t* p, size_t len) {
    switch (command) {
    case proto::kStreamLogin: OnLogin(p, len); break;
    case proto::kStreamDownloadReq: OnDownload(p, len); break;
    case proto::kStreamAudioCtrl: OnAudioCtrl(p, len); break;
    default: break;
    }
}

void RelayPeer::OnLogin(const uint8_t* p, size_t len) {
    if (len < proto::kStreamLoginSize) {
        m_ctx.log.Event(m_ctx.name + " login malformed from " + Remote());
        CloseNow();
        return;
    }
    std::string user = wire::GetText(p + 12, 35);
    std::string password = wire::GetText(p + 48, 35);
    const Account* acc = m_ctx.state.Config().FindAccount(user);
    bool ok = acc && acc->password.substr(0, 35) == password && wire::GetU32(p + 8) == proto::kStreamLoginConst;
    PacketWriter w(proto::kStreamLoginResp, 14);
    w.U16BE(8, ok ? 0 : kRefusedLogin);
    w.U32(10, ok ? m_ctx.state.NextClientId() : 0);
    Send(w.Take());
    m_loggedIn = ok;
    m_user = user;
    m_ctx.log.Event(m_ctx.name + " login " + user + (ok ? " ok" : " refused " + std::to_string(kRefusedLogin)));
}

void RelayPeer::OnDownload(const uint8_t* p, size_t len) {
    if (len < proto::kStreamDownloadReqSize || !m_loggedIn) {
        m_ctx.log.Event(m_ctx.name + " download ignored from " + Remote() + (m_loggedIn ? " (short)" : " (no login)"));
        return;
    }
    StopMedia();
    std::string key = wire::GetText(p + 8, 128);
    const Scenario& sc = m_ctx.state.Config();
    const Camera* cam = sc.FindCamera(key);
    uint16_t result = 0;
    if (!cam) result = kNoSuchCamera;
    else if (cam->relay != m_ctx.name) result = kNotOnThisRelay;
    else if (!cam->online) result = kCameraOffline;
    else if (m_ctx.state.RefuseStream(key, m_ctx.state.CurrentFaults().refuseStreams)) result = kStreamBusy;
    // Block A is opaque to the client; the "relay-bigblock" fault makes it
    // longer than the 128 bytes the client keeps.
    std::vector<uint8_t> blockBytes = {'H', '2', '6', '4'};
    if (m_ctx.state.CurrentFaults().malformed == "relay-bigblock") blockBytes.assign(200, 0x5A);
    const size_t blockA = result == 0 ? blockBytes.size() : 0;
    PacketWriter w(proto::kStreamDownloadResp, 30 + blockA);
    w.U16BE(8, result);
    if (result == 0) {
        w.U16(10, 1);
        w.U16(12, static_cast<uint16_t>(cam->width));
        w.U16(14, static_cast<uint16_t>(cam->height));
        w.U16(16, static_cast<uint16_t>(cam->fps));
        w.U16(20, static_cast<uint16_t>(cam->audioCodec));
        w.U16(26, static_cast<uint16_t>(blockA));
        w.U16(28, 0);
        w.Bytes(30, blockBytes.data(), blockA);
    }
    Send(w.Take());
    if (result != 0) {
        m_ctx.log.Event(m_ctx.name + " download " + key + " refused " + std::to_string(result));
        return;
    }
    m_camera = cam;
    m_feed = m_ctx.media.Feed(key);
    m_audio = m_ctx.media.Audio(cam->audioCodec);
    m_audioOn = false;
    m_startMs = 0;  // set by the first tick
    m_framesSent = 0;
    m_ctx.log.Event(m_ctx.name + " download " + key + " " + std::to_string(cam->width) + "x" +
                    std::to_string(cam->height) + "@" + std::to_string(cam->fps) + " audio=" +
                    std::to_string(cam->audioCodec));
    const std::string mode = m_ctx.state.CurrentFaults().malformed;
    if (mode.rfind("relay-", 0) == 0 && mode != "relay-bigblock") SendMalformed(mode);
}

void RelayPeer::SendMalformed(const std::string& mode) {
    std::vector<uint8_t> bytes(64);
    if (mode == "relay-garbage") {
        std::mt19937 rng(12345);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        wire::PutU32(bytes.data(), 0xFFFFFFF0u);  // never a valid length
    } else {
        wire::PutU32(bytes.data(), mode == "relay-short" ? 3 : proto::kMaxPacket + 1);
        wire::PutU32(bytes.data() + 4, proto::kStreamMedia);
    }
    Send(bytes);
    m_ctx.log.Event("fault " + mode + " sent on " + Tag());
}

void RelayPeer::OnAudioCtrl(const uint8_t* p, size_t len) {
    if (len < proto::kStreamAudioCtrlSize) return;
    bool on = wire::GetU32(p + 12) == 1;
    if (on != m_audioOn) m_ctx.log.Event(Tag() + " audio " + (on ? "on" : "off"));
    m_audioOn = on;
    m_nextAudioMs = 0;
}

void RelayPeer::StopMedia() {
    if (m_subscribed && m_feed) m_feed->Unsubscribe();
    m_subscribed = false;
    m_camera = nullptr;
    m_feed = nullptr;
    m_audio = nullptr;
}

bool RelayPeer::SendMedia(uint8_t kind, uint8_t sub, const uint8_t* data, size_t size, int64_t nowMs,
                          int64_t dueMs) {
    const int kbps = m_ctx.state.CurrentFaults().relayKbps;
    if (kbps > 0) {
        if (m_tokenMs == 0) m_tokenMs = nowMs;
        m_tokens = std::min(m_tokens + (nowMs - m_tokenMs) * kbps / 8.0, 256.0 * 1024);
        m_tokenMs = nowMs;
        if (m_tokens < 0) return false;
    }
    if (Room() < size + kMediaHead) return false;
    std::vector<uint8_t> pkt(kMediaHead + size);
    wire::PutU32(pkt.data(), static_cast<uint32_t>(pkt.size()));
    wire::PutU32(pkt.data() + 4, proto::kStreamMedia);
    wire::PutU32(pkt.data() + 8, kFirstStamp + static_cast<uint32_t>(std::max<int64_t>(0, dueMs - m_originMs)));
    pkt[12] = kind;
    pkt[13] = sub;
    if (size) std::memcpy(pkt.data() + kMediaHead, data, size);
    Send(pkt);
    if (kbps > 0) m_tokens -= static_cast<double>(pkt.size());
    return true;
}

void RelayPeer::SendVideo(int64_t nowMs) {
    if (m_feed->Live()) {
        if (!m_subscribed) {
            m_frameIndex = m_feed->Subscribe();
            m_subscribed = true;
        }
        for (int guard = 0; guard < 8; ++guard) {
            uint64_t seq = m_frameIndex;
            auto f = m_feed->LiveFrame(seq);
            if (!f || !SendMedia(kVideo, f->key ? 1 : 0, f->data.data(), f->data.size(), nowMs, nowMs)) return;
            m_frameIndex = seq + 1;
            ++m_framesSent;
        }
        return;
    }
    if (!m_feed->Ready()) {
        m_startMs = nowMs;  // the loop is still being encoded: start when it is there
        return;
    }
    const int fps = m_camera->fps;
    for (int guard = 0; guard < 8; ++guard) {
        int64_t due = m_startMs + static_cast<int64_t>(m_framesSent) * 1000 / fps;
        if (nowMs < due) return;
        auto f = m_feed->LoopFrame(m_framesSent);
        if (!SendMedia(kVideo, f->key ? 1 : 0, f->data.data(), f->data.size(), nowMs, due)) {
            // A slow reader: keep the schedule from running away.
            if (nowMs - due > 2000) m_startMs += nowMs - due;
            return;
        }
        ++m_framesSent;
    }
}

void RelayPeer::OnTick(int64_t nowMs) {
    if (!m_camera || !m_feed) return;
    if (m_startMs == 0) {
        m_startMs = m_originMs = nowMs;
        m_nextAlarmMs = m_camera->hasAlarm ? nowMs + m_camera->alarm.periodSeconds * 1000LL : 0;
    }
    SendVideo(nowMs);
    if (m_audioOn && m_audio) {
        if (m_nextAudioMs == 0) m_nextAudioMs = nowMs;
        while (nowMs >= m_nextAudioMs) {
            const std::vector<uint8_t>& a = m_audio->Packet(m_audioIndex);
            if (!SendMedia(kAudio, static_cast<uint8_t>(m_camera->audioCodec), a.data(), a.size(), nowMs,
                           m_nextAudioMs))
                break;
            ++m_audioIndex;
            m_nextAudioMs += AudioLoop::kPacketMs;
        }
    }
    if (m_nextAlarmMs && nowMs >= m_nextAlarmMs) {
        const Alarm& al = m_camera->alarm;
        uint8_t rec[16] = {};
        wire::PutU16(rec, static_cast<uint16_t>(al.type));
        wire::PutU16(rec + 2, static_cast<uint16_t>(al.region));
        wire::PutU16(rec + 4, static_cast<uint16_t>(al.x));
        wire::PutU16(rec + 6, static_cast<uint16_t>(al.y));
        wire::PutU16(rec + 8, static_cast<uint16_t>(al.width));
        wire::PutU16(rec + 10, static_cast<uint16_t>(al.height));
        if (SendMedia(kAlarm, 0, rec, sizeof rec, nowMs, m_nextAlarmMs)) {
            m_ctx.log.Event(Tag() + " alarm region=" + std::to_string(al.region));
            m_nextAlarmMs += al.periodSeconds * 1000LL;
        }
    }
}

void RelayPeer::OnClosed() {
    if (m_camera) m_ctx.log.Event(Tag() + " stream end frames=" + std::to_string(m_framesSent));
    StopMedia();
}

}  // namespace sim
