// The UDP address-lookup reply.
#include <cstddef>
#include <cstdint>

#include "network/SessionPackets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    packets::LookupReply reply;
    if (packets::ParseLookupReply(data, size, &reply) && reply.host.size() > 31) __builtin_trap();
    return 0;
}
