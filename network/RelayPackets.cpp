#include "network/RelayPackets.h"

#include <algorithm>

#include "common/Protocol.h"
#include "common/WireFormat.h"

namespace relay {

Bytes Login(const char* user, const char* password) {
    Bytes b = wire::NewPacket(proto::kStreamLoginSize, proto::kStreamLogin);
    wire::PutU32(&b[8], proto::kStreamLoginConst);
    wire::PutText(&b[12], proto::kTextField, user);  // byte 35 stays 0
    wire::PutText(&b[48], proto::kTextField, password);
    return b;
}

Bytes DownloadRequest(const char* cameraKey) {
    Bytes b = wire::NewPacket(proto::kStreamDownloadReqSize, proto::kStreamDownloadReq);
    wire::PutText(&b[8], 128, cameraKey);
    return b;
}

Bytes AudioControl(bool on) {
    Bytes b = wire::NewPacket(proto::kStreamAudioCtrlSize, proto::kStreamAudioCtrl);
    wire::PutU32(&b[8], 1);
    wire::PutU32(&b[12], on ? 1 : 0);
    return b;
}

bool ParseLoginReply(const uint8_t* packet, size_t length, LoginReply* out) {
    if (length < 10) return false;
    out->result = wire::GetU16BE(packet + 8);
    out->session = length >= 14 ? wire::GetU32(packet + 10) : 0;
    return true;
}

bool ParseDescription(const uint8_t* packet, size_t length, Description* out) {
    if (length < 10) return false;
    out->result = wire::GetU16BE(packet + 8);
    if (out->result != 0) return true;
    if (length < 30) return false;
    for (int i = 0; i < 5; ++i) out->values[i] = wire::GetU16(packet + 10 + 2 * i);
    out->audioCodec = wire::GetU16(packet + 20);
    const size_t a = wire::GetU16(packet + 26), b = wire::GetU16(packet + 28);
    size_t pos = 30;
    const size_t haveA = std::min(a, length - pos);
    out->blockA.assign(packet + pos, packet + pos + std::min(haveA, kBlockMax));
    pos += haveA;
    const size_t haveB = std::min(b, length - pos);
    out->blockB.assign(packet + pos, packet + pos + std::min(haveB, kBlockMax));
    return true;
}

bool ParseMedia(const uint8_t* packet, size_t length, Media* out) {
    if (length < kMediaHead) return false;
    out->timestamp = wire::GetU32(packet + 8);
    out->kind = packet[12];
    out->subtype = packet[13];
    out->payload = packet + kMediaHead;
    out->payloadLength = length - kMediaHead;
    return true;
}

bool ParseAlarm(const uint8_t* packet, size_t length, AlarmRecord* out) {
    if (length != kMediaHead + 16) return false;
    const uint8_t* p = packet + kMediaHead;
    out->type = wire::GetU16(p);
    out->region = wire::GetU16(p + 2);
    out->x = wire::GetU16(p + 4);
    out->y = wire::GetU16(p + 6);
    out->width = wire::GetU16(p + 8);
    out->height = wire::GetU16(p + 10);
    return true;
}

}  // namespace relay
