#include "sim/Scenario.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "sim/FaultSwitches.h"
#include "sim/JsonLineMap.h"
#include "sim/TextCodec.h"

namespace sim {

using nlohmann::json;

const Camera* Scenario::FindCamera(const std::string& key) const {
    for (const Camera& c : cameras)
        if (c.key == key) return &c;
    return nullptr;
}

const Account* Scenario::FindAccount(const std::string& user) const {
    for (const Account& a : accounts)
        if (a.user == user) return &a;
    return nullptr;
}

namespace {

// Walks the parsed document; every complaint names the value's line.
class Loader {
public:
    Loader(const std::string& text, const std::string& origin)
        : m_lines(text), m_origin(origin) {}

    [[noreturn]] void Fail(const std::string& pointer, const std::string& what) const {
        std::ostringstream os;
        os << m_origin << ":" << m_lines.LineOf(pointer) << ": "
           << (pointer.empty() ? "" : pointer + ": ") << what;
        throw ScenarioError(os.str());
    }

    void CheckKeys(const json& obj, const std::string& at, std::initializer_list<const char*> allowed) const {
        if (!obj.is_object()) Fail(at, "must be an object");
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            bool known = std::any_of(allowed.begin(), allowed.end(),
                                     [&](const char* k) { return it.key() == k; });
            if (!known) Fail(at + "/" + it.key(), "unknown key \"" + it.key() + "\"");
        }
    }

    int64_t Int(const json& obj, const std::string& at, const char* key, int64_t def, int64_t lo, int64_t hi) const {
        if (!obj.contains(key)) return def;
        const json& v = obj[key];
        std::string p = at + "/" + key;
        if (!v.is_number_integer()) Fail(p, "must be an integer");
        int64_t n = v.get<int64_t>();
        if (n < lo || n > hi)
            Fail(p, "must be between " + std::to_string(lo) + " and " + std::to_string(hi));
        return n;
    }

    bool Bool(const json& obj, const std::string& at, const char* key, bool def) const {
        if (!obj.contains(key)) return def;
        if (!obj[key].is_boolean()) Fail(at + "/" + key, "must be true or false");
        return obj[key].get<bool>();
    }

    std::string Str(const json& obj, const std::string& at, const char* key, const std::string& def,
                    size_t maxBytes = 35) const {
        if (!obj.contains(key)) return def;
        if (!obj[key].is_string()) Fail(at + "/" + key, "must be a string");
        std::string s = obj[key].get<std::string>();
        if (s.size() > maxBytes) Fail(at + "/" + key, "longer than " + std::to_string(maxBytes) + " bytes");
        return s;
    }

    // A text the wire carries in GBK, at most `maxBytes` bytes once converted.
    std::string Gbk(const json& obj, const std::string& at, const char* key, size_t maxBytes) const {
        std::string utf8 = Str(obj, at, key, "", 4096);
        std::string gbk;
        try {
            gbk = TextCodec::Utf8ToGbk(utf8);
        } catch (const std::exception& e) {
            Fail(at + "/" + key, e.what());
        }
        if (gbk.size() > maxBytes)
            Fail(at + "/" + key, "longer than " + std::to_string(maxBytes) + " bytes in GBK");
        return gbk;
    }

    std::string Key(const json& obj, const std::string& at, const char* key) const {
        std::string s = Str(obj, at, key, "");
        if (s.empty()) Fail(at, std::string("needs a non-empty \"") + key + "\"");
        for (char c : s)
            if (!isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
                Fail(at + "/" + key, "may hold only letters, digits, '_', '-' and '.'");
        return s;
    }

    static bool IsClock(const std::string& s) {
        if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
        for (int i : {0, 1, 3, 4, 6, 7})
            if (!isdigit(static_cast<unsigned char>(s[i]))) return false;
        return s.substr(0, 2) <= "23" && s.substr(3, 2) <= "59" && s.substr(6, 2) <= "59";
    }

    std::map<int, std::vector<TimeSpan>> Schedule(const json& obj, const std::string& at) const {
        std::map<int, std::vector<TimeSpan>> out;
        if (!obj.contains("schedule") || (obj["schedule"].is_string() && obj["schedule"] == "always")) {
            for (int d = 0; d < 7; ++d) out[d].push_back({"00:00:00", "23:59:59"});
            return out;
        }
        const json& s = obj["schedule"];
        std::string p = at + "/schedule";
        if (!s.is_array()) Fail(p, "must be \"always\" or a list of {days, begin, end}");
        for (size_t i = 0; i < s.size(); ++i) {
            std::string q = p + "/" + std::to_string(i);
            CheckKeys(s[i], q, {"days", "begin", "end"});
            TimeSpan span{Str(s[i], q, "begin", ""), Str(s[i], q, "end", "")};
            if (!IsClock(span.begin)) Fail(q + "/begin", "must be a time \"HH:MM:SS\"");
            if (!IsClock(span.end)) Fail(q + "/end", "must be a time \"HH:MM:SS\"");
            if (!s[i].contains("days") || !s[i]["days"].is_array())
                Fail(q, "needs \"days\", a list of weekdays 0 (Sunday) to 6");
            for (size_t k = 0; k < s[i]["days"].size(); ++k) {
                const json& d = s[i]["days"][k];
                if (!d.is_number_integer() || d.get<int>() < 0 || d.get<int>() > 6)
                    Fail(q + "/days/" + std::to_string(k), "must be a weekday 0 (Sunday) to 6");
                out[d.get<int>()].push_back(span);
            }
        }
        return out;
    }

    Account LoadAccount(const json& a, const std::string& at) const {
        CheckKeys(a, at, {"user", "password", "rights", "videonum", "schedule", "expires",
                          "expiresInSeconds", "result", "maxLogins"});
        Account acc;
        acc.user = Str(a, at, "user", "");
        if (acc.user.empty()) Fail(at, "needs a non-empty \"user\"");
        acc.password = Str(a, at, "password", "");
        if (a.contains("rights")) {
            const json& r = a["rights"];
            std::string p = at + "/rights";
            CheckKeys(r, p, {"ptz", "alarm", "talk", "node", "screen", "video", "manageuser"});
            acc.ptz = static_cast<int>(Int(r, p, "ptz", 1, 0, 1000));
            acc.alarm = static_cast<int>(Int(r, p, "alarm", 1, 0, 1000));
            acc.talk = static_cast<int>(Int(r, p, "talk", 1, 0, 1000));
            acc.node = static_cast<int>(Int(r, p, "node", 1, 0, 1000));
            acc.screen = static_cast<int>(Int(r, p, "screen", 1, 0, 1000));
            acc.video = static_cast<int>(Int(r, p, "video", 1, 0, 1000));
            acc.manageUser = static_cast<int>(Int(r, p, "manageuser", 0, 0, 1000));
        }
        acc.videoNum = static_cast<int>(Int(a, at, "videonum", 16, 0, 1000));
        acc.schedule = Schedule(a, at);
        acc.expiry = static_cast<uint32_t>(Int(a, at, "expires", 0, 0, 0xFFFFFFFFLL));
        if (a.contains("expiresInSeconds")) {
            int64_t rel = Int(a, at, "expiresInSeconds", 0, -(1LL << 31), 1LL << 31);
            acc.expiry = static_cast<uint32_t>(std::max<int64_t>(1, time(nullptr) + rel));
        }
        acc.forcedResult = static_cast<int>(Int(a, at, "result", 0, 0, 65535));
        acc.maxLogins = static_cast<int>(Int(a, at, "maxLogins", 0, 0, 100000));
        return acc;
    }

    std::vector<ServerPort> Ports(const json& doc, const char* key, uint16_t defPort) const {
        std::vector<ServerPort> out;
        std::string at = std::string("/") + key;
        if (!doc.contains(key)) {
            out.push_back({key == std::string("relays") ? "relay1" : "record1", defPort, ""});
            return out;
        }
        if (!doc[key].is_array() || doc[key].empty()) Fail(at, "must be a non-empty list");
        std::set<std::string> ids;
        for (size_t i = 0; i < doc[key].size(); ++i) {
            std::string p = at + "/" + std::to_string(i);
            const json& s = doc[key][i];
            CheckKeys(s, p, {"id", "port", "host"});
            ServerPort sp{Key(s, p, "id"), static_cast<uint16_t>(Int(s, p, "port", 0, 0, 65535)),
                          Str(s, p, "host", "", 31), s.contains("host")};
            if (!ids.insert(sp.id).second) Fail(p + "/id", "repeats id \"" + sp.id + "\"");
            out.push_back(sp);
        }
        return out;
    }

    Camera LoadCamera(const json& c, const std::string& at, const Scenario& sc) const {
        CheckKeys(c, at, {"key", "name", "node", "online", "device", "relay", "record", "width", "height",
                          "fps", "audio", "ptz", "live", "alarm", "recordings", "bitrateKbps", "textA",
                          "textB"});
        Camera cam;
        cam.key = Key(c, at, "key");
        cam.name = Gbk(c, at, "name", 35);
        cam.node = Str(c, at, "node", "");
        cam.online = Bool(c, at, "online", true);
        cam.device = static_cast<uint32_t>(Int(c, at, "device", 0, 0, 0xFFFFFFFFLL));
        cam.relay = Str(c, at, "relay", sc.relays.front().id);
        cam.record = Str(c, at, "record", sc.recordServers.front().id);
        cam.width = static_cast<int>(Int(c, at, "width", 352, 16, 1920));
        cam.height = static_cast<int>(Int(c, at, "height", 288, 16, 1080));
        if (cam.width % 2 || cam.height % 2) Fail(at + "/width", "width and height must be even");
        cam.fps = static_cast<int>(Int(c, at, "fps", 25, 1, 60));
        cam.audioCodec = static_cast<int>(Int(c, at, "audio", 26, 16, 26));
        if (cam.audioCodec != 26 && !sc.audioCodecs.count(cam.audioCodec))
            Fail(at + "/audio", "codec " + std::to_string(cam.audioCodec) + " has no encoder in \"audioCodecs\"");
        cam.ptz = Bool(c, at, "ptz", false);
        cam.live = Bool(c, at, "live", false) || cam.ptz;
        cam.bitrateKbps = static_cast<int>(Int(c, at, "bitrateKbps", 0, 0, 20000));
        cam.textA = Gbk(c, at, "textA", 15);
        cam.textB = Gbk(c, at, "textB", 19);
        if (c.contains("alarm")) {
            std::string p = at + "/alarm";
            const json& a = c["alarm"];
            CheckKeys(a, p, {"periodSeconds", "type", "region", "x", "y", "width", "height"});
            cam.hasAlarm = true;
            cam.alarm.periodSeconds = static_cast<int>(Int(a, p, "periodSeconds", 30, 1, 86400));
            cam.alarm.type = static_cast<int>(Int(a, p, "type", 1, 0, 65535));
            cam.alarm.region = static_cast<int>(Int(a, p, "region", 1, 0, 65535));
            cam.alarm.x = static_cast<int>(Int(a, p, "x", 16, 0, 65535));
            cam.alarm.y = static_cast<int>(Int(a, p, "y", 16, 0, 65535));
            cam.alarm.width = static_cast<int>(Int(a, p, "width", 96, 0, 65535));
            cam.alarm.height = static_cast<int>(Int(a, p, "height", 64, 0, 65535));
        }
        if (c.contains("recordings")) {
            std::string p = at + "/recordings";
            const json& r = c["recordings"];
            CheckKeys(r, p, {"days", "everyMinutes", "segmentMinutes"});
            cam.hasRecordings = true;
            cam.recordings.days = static_cast<int>(Int(r, p, "days", 7, 1, 366));
            cam.recordings.everyMinutes = static_cast<int>(Int(r, p, "everyMinutes", 60, 1, 1440));
            cam.recordings.segmentMinutes = static_cast<int>(
                Int(r, p, "segmentMinutes", 10, 1, cam.recordings.everyMinutes));
        }
        auto known = [](const std::vector<ServerPort>& v, const std::string& id) {
            return std::any_of(v.begin(), v.end(), [&](const ServerPort& s) { return s.id == id; });
        };
        if (!known(sc.relays, cam.relay)) Fail(at + "/relay", "names no relay \"" + cam.relay + "\"");
        if (!known(sc.recordServers, cam.record))
            Fail(at + "/record", "names no record server \"" + cam.record + "\"");
        return cam;
    }

    Scenario Load(const json& doc) const {
        CheckKeys(doc, "", {"central", "lookupHost", "camerasPerReply", "clockOffsetSeconds",
                            "keepAliveSeconds", "http", "clipSeconds", "loopSeconds", "cacheDir", "accounts",
                            "recordAccounts", "nodes", "cameras", "relays", "recordServers", "audioCodecs",
                            "faults"});
        Scenario sc;
        if (doc.contains("central")) {
            CheckKeys(doc["central"], "/central", {"port"});
            sc.centralPort = static_cast<uint16_t>(Int(doc["central"], "/central", "port", 8116, 0, 65535));
        }
        if (doc.contains("http")) {
            CheckKeys(doc["http"], "/http", {"port"});
            sc.httpPort = static_cast<uint16_t>(Int(doc["http"], "/http", "port", 0, 0, 65535));
        }
        sc.lookupHost = Str(doc, "", "lookupHost", "", 31);
        sc.camerasPerReply = static_cast<int>(Int(doc, "", "camerasPerReply", 50, 1, 1000));
        sc.clockOffsetSeconds = Int(doc, "", "clockOffsetSeconds", 0, -(1LL << 31), 1LL << 31);
        sc.keepAliveSeconds = static_cast<int>(Int(doc, "", "keepAliveSeconds", 30, 1, 3600));
        sc.clipSeconds = static_cast<int>(Int(doc, "", "clipSeconds", 6, 1, 60));
        sc.loopSeconds = static_cast<int>(Int(doc, "", "loopSeconds", 4, 1, 30));
        sc.cacheDir = Str(doc, "", "cacheDir", "", 4096);
        sc.audioCodecs = {{16, "pcm_mulaw"}, {17, "pcm_alaw"}, {18, "g726:16000"},
                          {19, "g726:24000"}, {20, "g726:32000"}, {21, "g726:40000"}};
        if (doc.contains("audioCodecs")) {
            const json& t = doc["audioCodecs"];
            if (!t.is_object()) Fail("/audioCodecs", "must map codec numbers to encoder names");
            for (auto it = t.begin(); it != t.end(); ++it) {
                std::string p = "/audioCodecs/" + it.key();
                int n = atoi(it.key().c_str());
                if (n < 16 || n > 25) Fail(p, "codec numbers run from 16 to 25");
                if (!it.value().is_string()) Fail(p, "must be an encoder name such as \"pcm_alaw\"");
                sc.audioCodecs[n] = it.value().get<std::string>();
            }
        }
        sc.relays = Ports(doc, "relays", 8120);
        sc.recordServers = Ports(doc, "recordServers", 8132);

        if (!doc.contains("accounts") || !doc["accounts"].is_array())
            Fail("/accounts", "needs a list \"accounts\"");
        for (size_t i = 0; i < doc["accounts"].size(); ++i)
            sc.accounts.push_back(LoadAccount(doc["accounts"][i], "/accounts/" + std::to_string(i)));
        if (doc.contains("recordAccounts")) {
            if (!doc["recordAccounts"].is_array()) Fail("/recordAccounts", "must be a list");
            for (size_t i = 0; i < doc["recordAccounts"].size(); ++i)
                sc.recordAccounts.push_back(
                    LoadAccount(doc["recordAccounts"][i], "/recordAccounts/" + std::to_string(i)));
        } else {
            Account rec;
            rec.user = "kqwz";
            rec.password = "kqwz";
            sc.recordAccounts.push_back(rec);
        }

        std::set<std::string> nodeKeys;
        if (doc.contains("nodes")) {
            if (!doc["nodes"].is_array()) Fail("/nodes", "must be a list");
            for (size_t i = 0; i < doc["nodes"].size(); ++i) {
                std::string p = "/nodes/" + std::to_string(i);
                const json& n = doc["nodes"][i];
                CheckKeys(n, p, {"key", "name", "parent", "textA", "textB"});
                Node node{Key(n, p, "key"), Gbk(n, p, "name", 35), Str(n, p, "parent", ""),
                          Gbk(n, p, "textA", 15), Gbk(n, p, "textB", 15)};
                if (!nodeKeys.insert(node.key).second) Fail(p + "/key", "repeats key \"" + node.key + "\"");
                sc.nodes.push_back(node);
            }
        }
        // The node list travels in one packet of at most 204800 bytes.
        if (sc.nodes.size() > (204800 - 12) / 144) Fail("/nodes", "more nodes than one node list reply can carry (1422)");
        if (doc.contains("cameras")) {
            if (!doc["cameras"].is_array()) Fail("/cameras", "must be a list");
            std::set<std::string> camKeys;
            for (size_t i = 0; i < doc["cameras"].size(); ++i) {
                std::string p = "/cameras/" + std::to_string(i);
                Camera cam = LoadCamera(doc["cameras"][i], p, sc);
                if (!camKeys.insert(cam.key).second) Fail(p + "/key", "repeats key \"" + cam.key + "\"");
                sc.cameras.push_back(cam);
            }
        }
        if (doc.contains("faults"))
            sc.faults = FaultSwitches::FromJson(
                doc["faults"], [this](const std::string& p, const std::string& w) { Fail("/faults" + p, w); });
        return sc;
    }

private:
    JsonLineMap m_lines;
    std::string m_origin;
};

}  // namespace

Scenario ParseScenario(const std::string& jsonText, const std::string& origin) {
    json doc;
    try {
        doc = json::parse(jsonText);
    } catch (const json::parse_error& e) {
        throw ScenarioError(origin + ":" + std::to_string(JsonLineMap::LineOfOffset(jsonText, e.byte)) +
                            ": not valid JSON (" + e.what() + ")");
    }
    Loader loader(jsonText, origin);
    return loader.Load(doc);
}

Scenario LoadScenarioFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot be read");
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseScenario(ss.str(), path);
}

}  // namespace sim
