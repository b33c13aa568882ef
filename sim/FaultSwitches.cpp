#include "sim/FaultSwitches.h"

#include <stdexcept>

namespace sim {

bool FaultSwitches::IsMode(const std::string& mode) {
    if (mode.empty()) return true;
    for (const char* m : kModes)
        if (mode == m) return true;
    return false;
}

Faults FaultSwitches::FromJson(const nlohmann::json& j, const FailFn& fail) {
    Faults f;
    if (!j.is_object()) fail("", "must be an object");
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string& k = it.key();
        const nlohmann::json& v = it.value();
        std::string at = "/" + k;
        auto intValue = [&](int lo, int hi) {
            if (!v.is_number_integer() || v.get<int64_t>() < lo || v.get<int64_t>() > hi)
                fail(at, "must be an integer from " + std::to_string(lo) + " to " + std::to_string(hi));
            return v.get<int>();
        };
        auto boolValue = [&]() {
            if (!v.is_boolean()) fail(at, "must be true or false");
            return v.get<bool>();
        };
        if (k == "refuseLogins") f.refuseLogins = intValue(0, 65535);
        else if (k == "dropAfterSeconds") f.dropAfterSeconds = intValue(0, 86400);
        else if (k == "stopHeartbeats") f.stopHeartbeats = boolValue();
        else if (k == "relayKbps") f.relayKbps = intValue(0, 10000000);
        else if (k == "refuseStreams") f.refuseStreams = intValue(0, 1000000);
        else if (k == "silentLookup") f.silentLookup = boolValue();
        else if (k == "malformed") {
            if (!v.is_string() || !IsMode(v.get<std::string>())) fail(at, "is not a malformed-packet mode");
            f.malformed = v.get<std::string>();
        } else {
            fail(at, "unknown fault \"" + k + "\"");
        }
    }
    return f;
}

void FaultSwitches::ApplyOption(Faults& f, const std::string& nameValue) {
    size_t eq = nameValue.find('=');
    std::string name = nameValue.substr(0, eq);
    std::string value = eq == std::string::npos ? "1" : nameValue.substr(eq + 1);
    nlohmann::json j;
    if (name == "malformed") j[name] = value;
    else if (name == "stopHeartbeats" || name == "silentLookup") j[name] = value != "0" && value != "false";
    else {
        try {
            size_t used = 0;
            j[name] = std::stoi(value, &used);
            if (used != value.size()) throw std::invalid_argument(value);
        } catch (const std::exception&) {
            throw std::invalid_argument("fault " + name + " needs a number, not \"" + value + "\"");
        }
    }
    nlohmann::json current = {{"refuseLogins", f.refuseLogins}, {"dropAfterSeconds", f.dropAfterSeconds},
                              {"stopHeartbeats", f.stopHeartbeats}, {"relayKbps", f.relayKbps},
                              {"refuseStreams", f.refuseStreams}, {"silentLookup", f.silentLookup},
                              {"malformed", f.malformed}};
    current[name] = j[name];
    f = FromJson(current, [](const std::string& p, const std::string& w) {
        throw std::invalid_argument("fault " + p.substr(1) + ": " + w);
    });
}

std::string FaultSwitches::Describe(const Faults& f) {
    std::string s;
    auto add = [&](const std::string& part) { s += (s.empty() ? "" : " ") + part; };
    if (f.refuseLogins) add("refuseLogins=" + std::to_string(f.refuseLogins));
    if (f.dropAfterSeconds) add("dropAfterSeconds=" + std::to_string(f.dropAfterSeconds));
    if (f.stopHeartbeats) add("stopHeartbeats");
    if (!f.malformed.empty()) add("malformed=" + f.malformed);
    if (f.relayKbps) add("relayKbps=" + std::to_string(f.relayKbps));
    if (f.refuseStreams) add("refuseStreams=" + std::to_string(f.refuseStreams));
    if (f.silentLookup) add("silentLookup");
    return s.empty() ? "none" : s;
}

}  // namespace sim
