// Cuts packets out of a received byte stream. Pure: bytes in, packets out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace framing {

// Called once per whole packet, header included; valid during the call.
using PacketHandler = std::function<void(const uint8_t* packet, size_t length)>;

// Dispatches every whole packet at the front of `data` in order and stores
// the bytes they took in *consumed; an incomplete packet (or up to 4 bytes
// of a header) is left for the next call. Returns false on a length outside
// 4..204800, a framing error.
bool CutPackets(const uint8_t* data, size_t size, size_t* consumed, const PacketHandler& handler);

}  // namespace framing
