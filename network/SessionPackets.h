// Builders for the packets the client sends to the central server, and the
// parser of the UDP address-lookup reply. Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packets {

using Bytes = std::vector<uint8_t>;

Bytes Heartbeat();
Bytes LoginRequest(const char* user, const std::string& digest);
Bytes NodeListRequest();
Bytes CameraListRequest();
Bytes StreamRequest(const char* cameraKey, bool start);
// Device message: 64-byte head and the payload.
Bytes DeviceMessage(uint32_t kind, uint32_t sender, uint32_t receiver, uint32_t channel,
                    const char* cameraKey, const uint8_t* payload, uint32_t payloadLength);

Bytes LookupRequest(const char* user, const std::string& digest);

struct LookupReply {
    uint16_t result = 0;
    std::string host;  // at most 31 characters; empty = keep the configured host
    uint16_t port = 0;
};
// False unless the datagram is exactly 52 bytes.
bool ParseLookupReply(const uint8_t* data, size_t size, LookupReply* reply);

}  // namespace packets
