// One viewer's session with the central server: login, heartbeats, the
// directory, stream requests and the device side of PTZ and talk.
// Thread: the central server's thread.
#pragma once

#include <cstdint>
#include <string>

#include "sim/Peer.h"

namespace sim {

class CentralServer;
struct Camera;

class CentralPeer : public Peer {
public:
    // `server` is borrowed and outlives the peer.
    explicit CentralPeer(CentralServer& server) : m_server(server) {}

    void OnPacket(uint32_t command, const uint8_t* packet, size_t length) override;
    void OnClosed() override;

private:
    void OnLogin(const uint8_t* p, size_t len);
    void OnHeartbeat();
    void OnStreamRequest(const uint8_t* p, size_t len);
    void OnDeviceMessage(const uint8_t* p, size_t len);
    void OnPtz(const Camera& cam, const uint8_t* payload, size_t n);
    void OnTalk(const Camera& cam, const uint8_t* payload, size_t n);
    void SendFromDevice(const Camera& cam, uint32_t kind, const uint8_t* payload, size_t n);
    void SendMalformed(const std::string& mode);

    CentralServer& m_server;
    bool m_loggedIn = false;
    std::string m_user;
    uint32_t m_clientId = 0;
    int m_talkData = 0;
};

}  // namespace sim
