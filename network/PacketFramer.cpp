#include "network/PacketFramer.h"

#include "common/Protocol.h"
#include "common/WireFormat.h"

namespace framing {

bool CutPackets(const uint8_t* data, size_t size, size_t* consumed, const PacketHandler& handler) {
    size_t pos = 0;
    while (size - pos > 4) {
        const uint32_t length = wire::GetU32(data + pos);
        if (length < proto::kMinPacket || length > proto::kMaxPacket) {
            *consumed = pos;
            return false;
        }
        if (size - pos < length) break;
        handler(data + pos, length);
        pos += length;
    }
    *consumed = pos;
    return true;
}

}  // namespace framing
