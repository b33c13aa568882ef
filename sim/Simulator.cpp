#include "sim/Simulator.h"

#include <nlohmann/json.hpp>

#include "sim/CentralServer.h"
#include "sim/ClipCache.h"
#include "sim/FaultSwitches.h"
#include "sim/HttpFileServer.h"
#include "sim/MediaLibrary.h"
#include "sim/RecordPeer.h"
#include "sim/RelayPeer.h"
#include "sim/TcpServer.h"

namespace sim {

Simulator::Simulator(Scenario scenario, std::string bindAddress, bool quiet)
    : m_scenario(std::move(scenario)), m_bind(std::move(bindAddress)) {
    m_log.SetQuiet(quiet);
    m_state = std::make_unique<SimState>(m_scenario);
}

Simulator::~Simulator() { Stop(); }

void Simulator::Start() {
    if (m_started) return;
    const Faults& faults = m_scenario.faults;
    m_media = std::make_unique<MediaLibrary>(*m_state, m_log);
    m_clip = std::make_unique<ClipCache>(m_scenario.cacheDir, m_scenario.clipSeconds);
    m_clip->Prepare();

    Endpoints ep;
    ep.bindAddress = m_bind;
    for (const ServerPort& r : m_scenario.relays) {
        m_relayCtx.push_back(std::unique_ptr<RelayContext>(new RelayContext{r.id, *m_state, m_log, *m_media}));
        RelayContext* ctx = m_relayCtx.back().get();
        auto srv = std::make_unique<TcpServer>(r.id, m_log, [ctx] { return std::make_unique<RelayPeer>(*ctx); });
        srv->SetPollMs(4);
        srv->SetOutputLimit(512u << 10);  // a few frames: a stalled reader holds the stream back
        srv->SetDropAfterSeconds(faults.dropAfterSeconds);
        srv->Listen(m_bind, r.port);
        ep.relayHost[r.id] = r.hostSet ? r.host : m_bind;
        ep.relayPort[r.id] = srv->Port();
        m_relays.push_back(std::move(srv));
    }
    for (const ServerPort& r : m_scenario.recordServers) {
        m_recordCtx.push_back(std::unique_ptr<RecordContext>(new RecordContext{r.id, *m_state, m_log, 0}));
        RecordContext* ctx = m_recordCtx.back().get();
        auto srv = std::make_unique<TcpServer>(r.id, m_log, [ctx] { return std::make_unique<RecordPeer>(*ctx); });
        srv->SetPollMs(50);
        // The camera record carries the record port less 2 in 16 bits.
        uint16_t port = r.port;
        for (int attempt = 0;; ++attempt) {
            srv->Listen(m_bind, port);
            if (srv->Port() >= 2 || attempt > 5) break;
            srv = std::make_unique<TcpServer>(r.id, m_log, [ctx] { return std::make_unique<RecordPeer>(*ctx); });
        }
        ep.recordPort[r.id] = srv->Port();
        m_records.push_back(std::move(srv));
    }
    HttpFileServer::Control control{[this] { return StateJson(); },
                                    [this](const std::string& s) { return Drop(s); },
                                    [this](const std::string& f) { return SetFault(f); }};
    m_http = std::make_unique<HttpFileServer>(*m_state, *m_clip, m_log, control);
    m_http->Listen(m_bind, m_scenario.httpPort);
    for (auto& ctx : m_recordCtx) ctx->httpPort = m_http->Port();

    m_central = std::make_unique<CentralServer>(*m_state, m_log, ep);
    m_central->Listen(m_bind, m_scenario.centralPort);

    m_media->Start();
    for (auto& s : m_relays) s->Start();
    for (auto& s : m_records) s->Start();
    m_http->Start();
    m_central->Start();
    m_started = true;
    m_log.Always(ReadyLine());
    if (faults.refuseLogins || faults.dropAfterSeconds || faults.stopHeartbeats || !faults.malformed.empty() ||
        faults.relayKbps || faults.refuseStreams || faults.silentLookup)
        m_log.Event("faults " + FaultSwitches::Describe(faults));
}

void Simulator::Stop() {
    if (m_central) m_central->Stop();
    for (auto& s : m_relays) s->Stop();
    for (auto& s : m_records) s->Stop();
    if (m_http) m_http->Stop();
    if (m_media) m_media->Stop();
    m_started = false;
}

bool Simulator::Drop(const std::string& server) {
    bool all = server == "all";
    if (!all && server != "central" && server != "relay" && server != "record") return false;
    m_log.Event("control drop " + server);
    if ((all || server == "central") && m_central) m_central->DropAll();
    if (all || server == "relay")
        for (auto& s : m_relays) s->DropAll();
    if (all || server == "record")
        for (auto& s : m_records) s->DropAll();
    return true;
}

std::string Simulator::SetFault(const std::string& nameValue) {
    Faults f = m_state->CurrentFaults();
    try {
        FaultSwitches::ApplyOption(f, nameValue);
    } catch (const std::exception& e) {
        return e.what();
    }
    m_state->SetFaults(f);
    m_log.Event("control faults " + FaultSwitches::Describe(f));
    return "";
}

std::string Simulator::ReadyLine() const {
    auto addr = [&](uint16_t port) { return m_bind + ":" + std::to_string(port); };
    std::string line = "KelvoSim ready central=" + addr(CentralPort()) + " relay=";
    for (size_t i = 0; i < m_relays.size(); ++i) line += (i ? "," : "") + addr(m_relays[i]->Port());
    line += " record=";
    for (size_t i = 0; i < m_records.size(); ++i) line += (i ? "," : "") + addr(m_records[i]->Port());
    line += " http=" + addr(HttpPort());
    return line;
}

uint16_t Simulator::CentralPort() const { return m_central ? m_central->Port() : 0; }
uint16_t Simulator::RelayPort(size_t i) const { return i < m_relays.size() ? m_relays[i]->Port() : 0; }
uint16_t Simulator::RecordPort(size_t i) const { return i < m_records.size() ? m_records[i]->Port() : 0; }
uint16_t Simulator::HttpPort() const { return m_http ? m_http->Port() : 0; }
size_t Simulator::ConnectionCount() const {
    size_t n = m_central ? m_central->PeerCount() : 0;
    for (auto& s : m_relays) n += s->PeerCount();
    for (auto& s : m_records) n += s->PeerCount();
    return n;
}

bool Simulator::MediaReady() const { return m_media && m_media->AllReady(); }

std::string Simulator::StateJson() const {
    nlohmann::json j;
    j["serverTime"] = m_state->ServerTime();
    j["mediaReady"] = MediaReady();
    for (const Camera& c : m_scenario.cameras) {
        nlohmann::json cam = {{"online", c.online}, {"streamRequested", m_state->StreamRequested(c.key)}};
        if (c.ptz) {
            PtzPosition p = m_state->PtzAt(c.key);
            cam["ptz"] = {{"pan", p.pan}, {"tilt", p.tilt}, {"zoom", p.zoom}, {"focus", p.focus}, {"light", p.light}};
        }
        j["cameras"][c.key] = cam;
    }
    for (const Account& a : m_scenario.accounts) j["logins"][a.user] = m_state->Logins(a.user);
    if (m_central) j["centralConnections"] = m_central->PeerCount();
    return j.dump();
}

}  // namespace sim
