// Cuts whole packets out of received bytes (pure: bytes in, packets out).
// A packet opens with u32 total length (4..204800) and u32 command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sim {

class PacketCutter {
public:
    // Called per packet with its command (0 for packets shorter than 8
    // bytes), the packet's first byte and its total length.
    using Sink = std::function<void(uint32_t command, const uint8_t* packet, size_t length)>;

    struct Result {
        size_t consumed = 0;  // bytes of whole packets passed over
        bool framingError = false;
    };

    static Result Cut(const uint8_t* data, size_t size, const Sink& sink);
};

}  // namespace sim
