// The whole service on one machine: central server, relays, record
// servers, the HTTP file server and the cameras' media, built from one
// scenario. Usable in-process by tests.
// Thread: Start/Stop and the port getters from one controlling thread;
// Log()/State() are themselves thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/Scenario.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

class CentralServer;
class ClipCache;
class HttpFileServer;
class MediaLibrary;
class TcpServer;
struct RecordContext;
struct RelayContext;

class Simulator {
public:
    Simulator(Scenario scenario, std::string bindAddress, bool quiet);
    ~Simulator();

    // Listens on every port, starts every server and prints the ready line.
    // Throws std::runtime_error with the reason.
    void Start();
    void Stop();

    std::string ReadyLine() const;
    uint16_t CentralPort() const;
    uint16_t RelayPort(size_t index) const;
    uint16_t RecordPort(size_t index) const;
    uint16_t HttpPort() const;
    // True once every camera loop is encoded.
    bool MediaReady() const;
    // Open TCP connections over every server.
    size_t ConnectionCount() const;
    std::string StateJson() const;
    // Control path: closes the connections of "central", "relay", "record"
    // or "all"; false for another name. Thread: any, once started.
    bool Drop(const std::string& server);
    // Sets one fault switch ("NAME=VALUE"); returns "" or the error.
    std::string SetFault(const std::string& nameValue);

    SimLog& Log() { return m_log; }
    SimState& State() { return *m_state; }
    const Scenario& Config() const { return m_scenario; }

private:
    SimLog m_log;
    Scenario m_scenario;
    std::string m_bind;
    std::unique_ptr<SimState> m_state;
    std::unique_ptr<MediaLibrary> m_media;
    std::unique_ptr<ClipCache> m_clip;
    std::vector<std::unique_ptr<RelayContext>> m_relayCtx;
    std::vector<std::unique_ptr<RecordContext>> m_recordCtx;
    std::vector<std::unique_ptr<TcpServer>> m_relays;
    std::vector<std::unique_ptr<TcpServer>> m_records;
    std::unique_ptr<CentralServer> m_central;
    std::unique_ptr<HttpFileServer> m_http;
    bool m_started = false;
};

}  // namespace sim
