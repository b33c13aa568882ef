#include "sim/PacketCutter.h"

#include "common/Protocol.h"
#include "common/WireFormat.h"

namespace sim {

PacketCutter::Result PacketCutter::Cut(const uint8_t* data, size_t size, const Sink& sink) {
    Result r;
    while (size - r.consumed >= 4) {
        const uint8_t* p = data + r.consumed;
        uint32_t len = wire::GetU32(p);
        if (len < proto::kMinPacket || len > proto::kMaxPacket) {
            r.framingError = true;
            return r;
        }
        if (size - r.consumed < len) break;
        uint32_t cmd = len >= 8 ? wire::GetU32(p + 4) : 0;
        sink(cmd, p, len);
        r.consumed += len;
    }
    return r;
}

}  // namespace sim
