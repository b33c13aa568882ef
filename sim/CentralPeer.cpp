#include "sim/CentralPeer.h"

#include <vector>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "sim/CentralServer.h"
#include "sim/PacketWriter.h"
#include "sim/RightsDocument.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

namespace {
constexpr uint16_t kTalkOpen = 0x4002;
constexpr uint16_t kTalkReply = 0x4004;
constexpr uint16_t kTalkData = 0x4006;
constexpr uint16_t kTalkClose = 0x4008;
}  // namespace

void CentralPeer::OnPacket(uint32_t command, const uint8_t* p, size_t len) {
    if (command == proto::kSessionLoginReq) return OnLogin(p, len);
    if (command == proto::kSessionHeartbeat) return OnHeartbeat();
    if (!m_loggedIn) {
        m_server.Log().Event("central ignored command 0x" + [&] {
            char b[16];
            snprintf(b, sizeof b, "%X", command);
            return std::string(b);
        }() + " before login from " + Remote());
        return;
    }
    switch (command) {
    case proto::kNodeListReq:
        Send(m_server.NodeListReply());
        m_server.Log().Event("nodes " + m_user + " count=" + std::to_string(m_server.State().Config().nodes.size()));
        break;
    case proto::kCameraListReq: {
        auto replies = m_server.CameraListReplies();
        for (size_t i = 0; i < replies.size(); ++i) {
            if (i == 0 && m_server.State().CurrentFaults().malformed == "central-badlist") {
                replies[i].push_back(0);
                wire::PutU32(replies[i].data(), static_cast<uint32_t>(replies[i].size()));
            }
            if (!Send(replies[i])) CloseNow();
        }
        m_server.Log().Event("cameras " + m_user + " count=" +
                             std::to_string(m_server.State().Config().cameras.size()) +
                             " replies=" + std::to_string(replies.size()));
        break;
    }
    case proto::kStreamRequest: OnStreamRequest(p, len); break;
    case proto::kDeviceMessage: OnDeviceMessage(p, len); break;
    default: break;
    }
}

void CentralPeer::OnLogin(const uint8_t* p, size_t len) {
    if (len < proto::kLoginReqSize) {
        m_server.Log().Event("login malformed from " + Remote());
        CloseNow();
        return;
    }
    if (m_loggedIn) {
        m_server.State().RemoveLogin(m_user);
        m_loggedIn = false;
    }
    std::string user = wire::GetText(p + 16, proto::kTextField);
    std::string digest = wire::GetText(p + 52, proto::kTextField);
    const Account* acc = nullptr;
    int result = m_server.CheckCredentials(user, digest, &acc);
    if (result == 0 && wire::GetU32(p + 8) != proto::kLoginVersion) result = 21;
    if (result == 0 && !m_server.State().AddLogin(user, acc->maxLogins)) result = 23;

    std::string doc = result == 0 ? RightsDocument::For(*acc) : std::string();
    PacketWriter w(proto::kSessionLoginResp, proto::kLoginRespFixed + doc.size());
    w.U16(8, static_cast<uint16_t>(result));
    if (result == 0) {
        m_clientId = m_server.State().NextClientId();
        w.U32(12, m_clientId);
        w.U32(20, acc->expiry);
        w.U32(24, static_cast<uint32_t>(doc.size()));
        w.Bytes(28, doc.data(), doc.size());
    }
    Send(w.Take());
    m_user = user;
    if (result != 0) {
        m_server.Log().Event("login " + user + " refused " + std::to_string(result));
        return;
    }
    m_loggedIn = true;
    m_server.Log().Event("login " + user + " ok id=" + std::to_string(m_clientId));
    const std::string mode = m_server.State().CurrentFaults().malformed;
    if (mode == "central-short" || mode == "central-oversized") SendMalformed(mode);
}

void CentralPeer::SendMalformed(const std::string& mode) {
    PacketWriter w(proto::kSessionHeartbeat, proto::kHeartbeatSize);
    w.SetLengthField(mode == "central-short" ? 3 : proto::kMaxPacket + 1);
    Send(w.Take());
    m_server.Log().Event("fault " + mode + " sent to " + m_user);
}

void CentralPeer::OnHeartbeat() {
    if (m_server.State().CurrentFaults().stopHeartbeats) return;
    PacketWriter w(proto::kSessionHeartbeat, proto::kHeartbeatSize);
    uint32_t now = m_server.State().ServerTime();
    w.U32(16, now);
    Send(w.Take());
    m_server.Log().Event("heartbeat " + m_user + " time=" + std::to_string(now));
}

void CentralPeer::OnStreamRequest(const uint8_t* p, size_t len) {
    if (len < proto::kStreamRequestSize) return;
    std::string key = wire::GetText(p + 8, proto::kTextField);
    uint16_t flag = wire::GetU16(p + 48);
    bool known = m_server.State().Config().FindCamera(key) != nullptr;
    if (known) m_server.State().SetStreamRequested(key, flag == 1);
    m_server.Log().Event(std::string("stream ") + (flag == 1 ? "start " : "stop ") + key +
                         (known ? "" : " unknown"));
    std::vector<uint8_t> reply(p, p + proto::kStreamRequestSize);
    wire::PutU32(reply.data(), proto::kStreamRequestSize);
    Send(reply);
}

void CentralPeer::OnDeviceMessage(const uint8_t* p, size_t len) {
    if (len < proto::kDeviceHeadSize) return;
    uint32_t kind = wire::GetU32(p + 8);
    uint32_t receiver = wire::GetU32(p + 16);
    std::string key = wire::GetText(p + 24, proto::kTextField);
    uint32_t n = wire::GetU32(p + 60);
    if (n > len - proto::kDeviceHeadSize || n < 4) {
        m_server.Log().Event("device message malformed from " + m_user);
        return;
    }
    const Scenario& sc = m_server.State().Config();
    const Camera* cam = key.empty() ? nullptr : sc.FindCamera(key);
    if (!cam)
        for (const Camera& c : sc.cameras)
            if (c.device == receiver) { cam = &c; break; }
    if (!cam) {
        m_server.Log().Event("device message for unknown camera \"" + key + "\" device=" + std::to_string(receiver));
        return;
    }
    const uint8_t* payload = p + proto::kDeviceHeadSize;
    if (kind == proto::kDeviceKindPtz) OnPtz(*cam, payload, n);
    else if (kind == proto::kDeviceKindTalk) OnTalk(*cam, payload, n);
}

void CentralPeer::OnPtz(const Camera& cam, const uint8_t* payload, size_t n) {
    if (n < 6) return;
    int cmd = wire::GetU16(payload + 2);
    int param = wire::GetU16(payload + 4);
    PtzPosition pos;
    bool ok = m_server.State().Ptz(cam.key, cmd, param, &pos);
    m_server.Log().Event("ptz " + cam.key + " cmd=" + std::to_string(cmd) + " param=" + std::to_string(param) +
                         (ok ? " " + PtzState::Format(pos) : std::string(" unsupported")));
    SendFromDevice(cam, proto::kDeviceKindPtz, payload, n);
}

void CentralPeer::OnTalk(const Camera& cam, const uint8_t* payload, size_t n) {
    uint16_t inner = wire::GetU16(payload + 2);
    SimState& st = m_server.State();
    if (inner == kTalkOpen) {
        uint16_t status = cam.online && st.OpenTalk(cam.device, m_clientId) ? 0 : 1;
        uint8_t reply[8] = {};
        wire::PutU16(reply, 6);
        wire::PutU16(reply + 2, kTalkReply);
        wire::PutU16(reply + 4, status);
        SendFromDevice(cam, proto::kDeviceKindTalk, reply, sizeof reply);
        m_talkData = 0;
        m_server.Log().Event("talk open " + cam.key + " status=" + std::to_string(status));
    } else if (inner == kTalkData) {
        // The device plays the sound of its talk partner and answers with
        // the same bytes; anyone else's sound is ignored.
        if (!st.TalkHeldBy(cam.device, m_clientId)) {
            m_server.Log().Event("talk data " + cam.key + " ignored (no talk open)");
            return;
        }
        if (++m_talkData == 1) m_server.Log().Event("talk data " + cam.key + " bytes=" + std::to_string(n - 4));
        SendFromDevice(cam, proto::kDeviceKindTalk, payload, n);
    } else if (inner == kTalkClose) {
        st.CloseTalk(cam.device, m_clientId);
        uint8_t reply[4] = {};
        wire::PutU16(reply, 4);
        wire::PutU16(reply + 2, kTalkClose);
        SendFromDevice(cam, proto::kDeviceKindTalk, reply, sizeof reply);
        m_server.Log().Event("talk close " + cam.key + " data=" + std::to_string(m_talkData));
    }
}

void CentralPeer::SendFromDevice(const Camera& cam, uint32_t kind, const uint8_t* payload, size_t n) {
    PacketWriter w(proto::kDeviceMessage, proto::kDeviceHeadSize + n);
    w.U32(8, kind);
    w.U32(12, cam.device);
    w.U32(16, m_clientId);
    w.U32(20, kind);
    w.Text(24, 36, cam.key);
    w.U32(60, static_cast<uint32_t>(n));
    w.Bytes(64, payload, n);
    Send(w.Take());
}

void CentralPeer::OnClosed() {
    if (!m_loggedIn) return;
    m_server.State().RemoveLogin(m_user);
    m_server.State().CloseTalksOf(m_clientId);
    m_server.Log().Event("logout " + m_user);
}

}  // namespace sim
