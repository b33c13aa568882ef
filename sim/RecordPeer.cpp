#include "sim/RecordPeer.h"

#include <vector>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "sim/PacketWriter.h"
#include "sim/RecordingCatalog.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

namespace {
constexpr uint16_t kRefused = 1;
constexpr uint16_t kUnknownCamera = 2;
}  // namespace

void RecordPeer::OnPacket(uint32_t command, const uint8_t* p, size_t len) {
    if (command == proto::kRecordLogin) OnLogin(p, len);
    else if (command == proto::kRecordQuery) OnQuery(p, len);
}

void RecordPeer::OnLogin(const uint8_t* p, size_t len) {
    if (len < proto::kRecordLoginSize) {
        m_ctx.log.Event(m_ctx.name + " login malformed from " + Remote());
        CloseNow();
        return;
    }
    std::string user = wire::GetText(p + 12, 35);
    std::string password = wire::GetText(p + 48, 35);
    bool ok = false;
    for (const Account& a : m_ctx.state.Config().recordAccounts)
        ok = ok || (a.user == user && a.password.substr(0, 35) == password);
    PacketWriter w(proto::kRecordLoginResp, 12);
    w.U16(8, ok ? 0 : kRefused);
    Send(w.Take());
    m_loggedIn = ok;
    m_nextKeepAliveMs = 0;
    m_ctx.log.Event(m_ctx.name + " login " + user + (ok ? " ok" : " refused " + std::to_string(kRefused)));
}

void RecordPeer::OnQuery(const uint8_t* p, size_t len) {
    if (len < proto::kRecordQuerySize || !m_loggedIn) {
        m_ctx.log.Event(m_ctx.name + " query ignored from " + Remote());
        return;
    }
    int64_t begin = wire::GetU32(p + 8);
    int64_t end = wire::GetU32(p + 12);
    std::string key = wire::GetText(p + 16, proto::kTextField);
    const Camera* cam = m_ctx.state.Config().FindCamera(key);
    if (cam && cam->record != m_ctx.name) cam = nullptr;  // kept by another record server
    std::vector<RecordingCatalog::File> files;
    if (cam) files = RecordingCatalog::Query(*cam, begin, end, m_ctx.state.ServerTime());
    // Names that fit one packet; the rest of a very long span is left out.
    std::string names;
    size_t count = 0;
    if (cam && m_ctx.state.CurrentFaults().malformed == "record-badname") {
        names = std::string("badname") + RecordingCatalog::kExtension + '\0';
        count = 1;
    }
    for (const auto& f : files) {
        std::string n = f.Name();
        if (proto::kRecordQueryRespFixed + names.size() + n.size() + 1 > proto::kMaxPacket || count == 0xFFFF) break;
        names += n;
        names += '\0';
        ++count;
    }
    std::string base = "http://reclocalhost:" + std::to_string(m_ctx.httpPort) + "/rec/" + key + "/";
    PacketWriter w(proto::kRecordQueryResp, proto::kRecordQueryRespFixed + names.size());
    w.U16(8, cam ? 0 : kUnknownCamera);
    w.U16(10, static_cast<uint16_t>(count));
    w.Text(48, proto::kRecordBaseUrlField, base);
    w.Bytes(proto::kRecordQueryRespFixed, names.data(), names.size());
    Send(w.Take());
    m_ctx.log.Event(m_ctx.name + " query " + key + " " + std::to_string(begin) + ".." + std::to_string(end) +
                    " files=" + std::to_string(count) + (cam ? "" : " unknown"));
}

void RecordPeer::OnTick(int64_t nowMs) {
    if (!m_loggedIn) return;
    int64_t period = m_ctx.state.Config().keepAliveSeconds * 1000LL;
    if (m_nextKeepAliveMs == 0) m_nextKeepAliveMs = nowMs + period;
    if (nowMs < m_nextKeepAliveMs) return;
    PacketWriter w(proto::kRecordKeepAlive, 8);
    Send(w.Take());
    m_nextKeepAliveMs = nowMs + period;
}

}  // namespace sim
