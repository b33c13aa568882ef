// The central server: the TCP session protocol (CentralPeer per connection)
// and the UDP address lookup on the same port, on one thread.
// Thread: Listen/Start/Stop from the controlling thread; the rest runs on
// the server thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/Scenario.h"
#include "sim/TcpServer.h"

namespace sim {

class SimLog;
class SimState;

// Where each relay and record server actually listens.
struct Endpoints {
    std::string bindAddress;
    std::map<std::string, std::string> relayHost;  // relay id -> host written into camera records
    std::map<std::string, uint16_t> relayPort;
    std::map<std::string, uint16_t> recordPort;    // record server id -> port
};

class CentralServer {
public:
    // `state` and `log` are borrowed and must outlive the server.
    CentralServer(SimState& state, SimLog& log, Endpoints endpoints);
    ~CentralServer();

    // TCP and UDP on the same port (0 = ephemeral); throws on failure.
    void Listen(const std::string& bindAddress, uint16_t port);
    uint16_t Port() const { return m_tcp->Port(); }
    void Start() { m_tcp->Start(); }
    void Stop() { m_tcp->Stop(); }
    size_t PeerCount() const { return m_tcp->PeerCount(); }
    void DropAll() { m_tcp->DropAll(); }

    // Result code of a login attempt; `account` is set when the user exists.
    int CheckCredentials(const std::string& user, const std::string& digest, const Account** account) const;
    std::vector<uint8_t> NodeListReply() const;
    std::vector<std::vector<uint8_t>> CameraListReplies() const;

    SimState& State() { return m_state; }
    SimLog& Log() { return m_log; }

private:
    void OnLookup(int fd);
    void MakeTcp();

    SimState& m_state;
    SimLog& m_log;
    Endpoints m_endpoints;
    std::unique_ptr<TcpServer> m_tcp;
};

}  // namespace sim
