// The relay's side of the stream protocol, from the protocol tables.
#pragma once

#include "tests/support/TestSupport.h"

namespace testing_support {

inline Bytes RelayLoginReply(uint16_t result, uint32_t session = 0x1234) {
    Bytes b = Packet(14, 0x1002);
    b[8] = static_cast<uint8_t>(result >> 8);  // network order
    b[9] = static_cast<uint8_t>(result);
    PutLe32(b, 10, session);
    return b;
}

inline Bytes DownloadReply(uint16_t result, uint16_t width, uint16_t height, uint16_t fps,
                           uint16_t audioCodec = 16, const Bytes& blockA = Bytes(),
                           const Bytes& blockB = Bytes()) {
    Bytes b = Packet(static_cast<uint32_t>(30 + blockA.size() + blockB.size()), 0x100A);
    b[8] = static_cast<uint8_t>(result >> 8);
    b[9] = static_cast<uint8_t>(result);
    PutLe16(b, 12, width);
    PutLe16(b, 14, height);
    PutLe16(b, 16, fps);
    PutLe16(b, 20, audioCodec);
    PutLe16(b, 26, static_cast<uint16_t>(blockA.size()));
    PutLe16(b, 28, static_cast<uint16_t>(blockB.size()));
    std::copy(blockA.begin(), blockA.end(), b.begin() + 30);
    std::copy(blockB.begin(), blockB.end(), b.begin() + 30 + blockA.size());
    return b;
}

inline Bytes MediaPacket(uint32_t timestamp, uint8_t kind, uint8_t subtype, const Bytes& payload) {
    Bytes b = Packet(static_cast<uint32_t>(14 + payload.size()), 0x1005);
    PutLe32(b, 8, timestamp);
    b[12] = kind;
    b[13] = subtype;
    std::copy(payload.begin(), payload.end(), b.begin() + 14);
    return b;
}

inline Bytes AlarmPacket(uint16_t region, uint16_t x, uint16_t y, uint16_t w, uint16_t h,
                         uint16_t type = 1) {
    Bytes p(16, 0);
    PutLe16(p, 0, type);
    PutLe16(p, 2, region);
    PutLe16(p, 4, x);
    PutLe16(p, 6, y);
    PutLe16(p, 8, w);
    PutLe16(p, 10, h);
    return MediaPacket(0, 2, 0, p);
}

}  // namespace testing_support
