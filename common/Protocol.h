// Numeric constants of the service's wire protocols, shared by the client
// library and the simulator (each side parses and builds with its own code).
#pragma once

#include <cstdint>

namespace proto {

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kMinPacket = 4;
constexpr uint32_t kMaxPacket = 204800;
constexpr uint32_t kTextField = 36;

// Central session.
constexpr uint32_t kSessionHeartbeat = 0x102C;
constexpr uint32_t kSessionLoginReq = 0x9002;
constexpr uint32_t kSessionLoginResp = 0x9004;
constexpr uint32_t kNodeListReq = 0x4002;
constexpr uint32_t kNodeListResp = 0x4004;
constexpr uint32_t kCameraListReq = 0x4006;
constexpr uint32_t kCameraListResp = 0x4008;
constexpr uint32_t kStreamRequest = 0x400A;
constexpr uint32_t kDeviceMessage = 0x400E;

constexpr uint32_t kHeartbeatSize = 24;
constexpr uint32_t kLoginReqSize = 96;
constexpr uint32_t kLoginRespFixed = 28;
constexpr uint32_t kListReqSize = 44;
constexpr uint32_t kNodeRecordSize = 144;
constexpr uint32_t kCameraRecordSize = 196;
constexpr uint32_t kStreamRequestSize = 56;
constexpr uint32_t kDeviceHeadSize = 64;
constexpr uint32_t kLoginVersion = 0x02000000;
constexpr uint32_t kLoginKind = 3;

constexpr uint32_t kDeviceKindPtz = 1;
constexpr uint32_t kDeviceKindTalk = 2;

// UDP address lookup.
constexpr uint32_t kLookupReq = 0x3002;
constexpr uint32_t kLookupReqSize = 80;
constexpr uint32_t kLookupReplySize = 52;
constexpr uint32_t kLookupHostField = 32;

// Relay.
constexpr uint32_t kStreamLogin = 0x1001;
constexpr uint32_t kStreamLoginResp = 0x1002;
constexpr uint32_t kStreamMedia = 0x1005;
constexpr uint32_t kStreamDownloadReq = 0x1009;
constexpr uint32_t kStreamDownloadResp = 0x100A;
constexpr uint32_t kStreamAudioCtrl = 0x1012;
constexpr uint32_t kStreamLoginSize = 84;
constexpr uint32_t kStreamLoginConst = 0x2001;
constexpr uint32_t kStreamDownloadReqSize = 136;
constexpr uint32_t kStreamAudioCtrlSize = 16;
constexpr uint32_t kRelayHostField = 32;

// Record server.
constexpr uint32_t kRecordLogin = 0x1002;
constexpr uint32_t kRecordLoginResp = 0x1004;
constexpr uint32_t kRecordQuery = 0x1012;
constexpr uint32_t kRecordQueryResp = 0x1014;
constexpr uint32_t kRecordKeepAlive = 0x1016;
constexpr uint32_t kRecordLoginSize = 116;
constexpr uint32_t kRecordQuerySize = 52;
constexpr uint32_t kRecordQueryRespFixed = 304;
constexpr uint32_t kRecordBaseUrlField = 256;
constexpr uint32_t kRecordItemSize = 288;
constexpr uint32_t kRecordUrlField = 264;

}  // namespace proto
