// One record-window connection to a record server: login with the fixed
// record account, keep-alives, and query replies naming recorded files
// under the HTTP file server's base URL.
// Thread: the record server's thread.
#pragma once

#include <cstdint>
#include <string>

#include "sim/Peer.h"

namespace sim {

class SimLog;
class SimState;

struct RecordContext {
    std::string name;  // record server id
    SimState& state;
    SimLog& log;
    uint16_t httpPort = 0;  // set before the server starts
};

class RecordPeer : public Peer {
public:
    // `ctx` is borrowed and outlives the peer.
    explicit RecordPeer(RecordContext& ctx) : m_ctx(ctx) {}

    void OnPacket(uint32_t command, const uint8_t* packet, size_t length) override;
    void OnTick(int64_t nowMs) override;

private:
    void OnLogin(const uint8_t* p, size_t len);
    void OnQuery(const uint8_t* p, size_t len);

    RecordContext& m_ctx;
    bool m_loggedIn = false;
    int64_t m_nextKeepAliveMs = 0;
};

}  // namespace sim
