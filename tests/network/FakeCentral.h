// The central server's side of the session protocol, written from the
// protocol tables independently of the library's code.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace testing_support {

struct NodeSpec {
    std::string key, name, parent;
};

struct CameraSpec {
    CameraSpec(std::string k, std::string n, std::string nd, uint32_t st = 1)
        : key(std::move(k)), name(std::move(n)), node(std::move(nd)), state(st) {}
    std::string key, name, node;
    uint32_t state = 1;
    uint32_t device = 0;
    std::string relay;  // may be 32 characters (no NUL)
    uint16_t basePort = 0;
    uint16_t streamPort = 0;
};

inline Bytes LoginReply(uint16_t result, uint32_t clientId = 0, uint32_t expiry = 0,
                        const std::string& rights = std::string()) {
    Bytes b = Packet(static_cast<uint32_t>(28 + rights.size()), 0x9004);
    PutLe16(b, 8, result);
    PutLe32(b, 12, clientId);
    PutLe32(b, 20, expiry);
    PutLe32(b, 24, static_cast<uint32_t>(rights.size()));
    PutStr(b, 28, rights);
    return b;
}

inline Bytes HeartbeatReply(uint32_t serverTime) {
    Bytes b = Packet(24, 0x102C);
    PutLe32(b, 16, serverTime);
    return b;
}

inline Bytes NodeReply(const std::vector<NodeSpec>& nodes) {
    Bytes b = Packet(static_cast<uint32_t>(12 + 144 * nodes.size()), 0x4004);
    PutLe32(b, 8, static_cast<uint32_t>(nodes.size()));
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t r = 12 + 144 * i;
        PutStr(b, r + 4, nodes[i].key.substr(0, 36));
        PutStr(b, r + 40, nodes[i].name.substr(0, 36));
        PutStr(b, r + 76, nodes[i].parent.substr(0, 36));
    }
    return b;
}

inline Bytes CameraReply(const std::vector<CameraSpec>& cams) {
    Bytes b = Packet(static_cast<uint32_t>(12 + 196 * cams.size()), 0x4008);
    PutLe32(b, 8, static_cast<uint32_t>(cams.size()));
    for (size_t i = 0; i < cams.size(); ++i) {
        size_t r = 12 + 196 * i;
        PutLe32(b, r + 4, cams[i].state);
        PutLe32(b, r + 8, cams[i].device);
        PutStr(b, r + 12, cams[i].key.substr(0, 36));
        PutStr(b, r + 48, cams[i].name.substr(0, 36));
        PutStr(b, r + 84, cams[i].node.substr(0, 36));
        PutStr(b, r + 156, cams[i].relay.substr(0, 32));
        PutLe16(b, r + 188, cams[i].basePort);
        PutLe16(b, r + 192, cams[i].streamPort);
    }
    return b;
}

inline Bytes DeviceMessageFromCamera(uint32_t kind, uint32_t sender, uint32_t receiver,
                                     const Bytes& payload) {
    Bytes b = Packet(static_cast<uint32_t>(64 + payload.size()), 0x400E);
    PutLe32(b, 8, kind);
    PutLe32(b, 12, sender);
    PutLe32(b, 16, receiver);
    PutLe32(b, 20, kind);
    PutLe32(b, 60, static_cast<uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 64);
    return b;
}

// A rights document granting everything, admitting every hour of the week.
inline std::string AllRights(int videonum = 16) {
    std::string doc = "<root><right ptz=\"1\" alarm=\"1\" talk=\"1\" node=\"1\" screen=\"1\" video=\"1\" "
                      "manageuser=\"1\" videonum=\"" + std::to_string(videonum) + "\"/>";
    for (int d = 0; d < 7; ++d)
        doc += "<time_list week=\"" + std::to_string(d) +
               "\"><time begin=\"00:00:00\" end=\"23:59:59\"/></time_list>";
    return doc + "</root>";
}

}  // namespace testing_support
