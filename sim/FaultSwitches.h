// Fault switches: parsing from the scenario and the command line, and the
// names of the malformed-packet modes.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

#include "sim/Scenario.h"

namespace sim {

class FaultSwitches {
public:
    // Malformed-packet modes ("malformed" switch). Central modes fire right
    // after a login is accepted; relay modes right after the description.
    static constexpr const char* kModes[] = {
        "central-short",     // a packet whose length field says 3
        "central-oversized", // a packet whose length field says 204801
        "central-badlist",   // a camera list reply one byte longer than its count
        "central-emptynode", // a node list reply with an extra node record without a key
        "lookup-short",      // a 51-byte lookup reply
        "relay-short",
        "relay-oversized",
        "relay-garbage",     // 64 random bytes in place of a media packet
        "relay-bigblock",    // a description whose first block is 200 bytes long
        "record-badname",    // a query reply naming one file without "_"
    };
    static bool IsMode(const std::string& mode);

    // `fail(pointer, what)` must throw.
    using FailFn = std::function<void(const std::string&, const std::string&)>;
    static Faults FromJson(const nlohmann::json& j, const FailFn& fail);
    // "name=value,..." list used by --fault; throws std::invalid_argument.
    static void ApplyOption(Faults& f, const std::string& nameValue);
    static std::string Describe(const Faults& f);
};

}  // namespace sim
