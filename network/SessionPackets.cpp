#include "network/SessionPackets.h"

#include "common/Protocol.h"
#include "common/WireFormat.h"

namespace packets {

Bytes Heartbeat() { return wire::NewPacket(proto::kHeartbeatSize, proto::kSessionHeartbeat); }

Bytes LoginRequest(const char* user, const std::string& digest) {
    Bytes b = wire::NewPacket(proto::kLoginReqSize, proto::kSessionLoginReq);
    wire::PutU32(&b[8], proto::kLoginVersion);
    wire::PutU32(&b[12], proto::kLoginKind);
    wire::PutText(&b[16], proto::kTextField, user);
    wire::PutText(&b[52], proto::kTextField, digest.c_str());
    return b;
}

Bytes NodeListRequest() { return wire::NewPacket(proto::kListReqSize, proto::kNodeListReq); }

Bytes CameraListRequest() { return wire::NewPacket(proto::kListReqSize, proto::kCameraListReq); }

Bytes StreamRequest(const char* cameraKey, bool start) {
    Bytes b = wire::NewPacket(proto::kStreamRequestSize, proto::kStreamRequest);
    wire::PutText(&b[8], proto::kTextField, cameraKey);
    wire::PutU16(&b[48], start ? 1 : 0);
    return b;
}

Bytes DeviceMessage(uint32_t kind, uint32_t sender, uint32_t receiver, uint32_t channel,
                    const char* cameraKey, const uint8_t* payload, uint32_t payloadLength) {
    Bytes b = wire::NewPacket(proto::kDeviceHeadSize + payloadLength, proto::kDeviceMessage);
    wire::PutU32(&b[8], kind);
    wire::PutU32(&b[12], sender);
    wire::PutU32(&b[16], receiver);
    wire::PutU32(&b[20], channel);
    wire::PutText(&b[24], proto::kTextField, cameraKey);
    wire::PutU32(&b[60], payloadLength);
    if (payloadLength) std::copy(payload, payload + payloadLength, b.begin() + proto::kDeviceHeadSize);
    return b;
}

Bytes LookupRequest(const char* user, const std::string& digest) {
    Bytes b(proto::kLookupReqSize, 0);
    wire::PutU32(&b[0], proto::kLookupReqSize);
    wire::PutU32(&b[4], proto::kLookupReq);
    wire::PutText(&b[8], proto::kTextField, user);
    wire::PutText(&b[44], proto::kTextField, digest.c_str());
    return b;
}

bool ParseLookupReply(const uint8_t* data, size_t size, LookupReply* reply) {
    if (size != proto::kLookupReplySize) return false;
    reply->result = wire::GetU16(data + 8);
    // The host field may lack a NUL; the host store keeps 31 characters.
    std::string host = wire::GetText(data + 16, proto::kLookupHostField);
    if (host.size() > proto::kLookupHostField - 1) host.resize(proto::kLookupHostField - 1);
    reply->host = host;
    reply->port = wire::GetU16(data + 48);
    return true;
}

}  // namespace packets
