// What the simulated service holds: accounts, the node tree, cameras, the
// servers they sit behind and the faults to inject. Loaded once from JSON
// (texts converted from UTF-8 to GBK at load) and read-only afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

struct TimeSpan {
    std::string begin;  // "HH:MM:SS"
    std::string end;
};

struct Account {
    std::string user;
    std::string password;
    // Rights attributes, sent as given.
    int ptz = 1, alarm = 1, talk = 1, node = 1, screen = 1, video = 1, manageUser = 0;
    int videoNum = 16;
    // Weekly schedule: weekday 0 (Sunday) .. 6 -> admitted spans.
    std::map<int, std::vector<TimeSpan>> schedule;
    uint32_t expiry = 0;  // seconds since 1970; 0 = none
    int forcedResult = 0; // non-zero: every login is refused with it
    int maxLogins = 0;    // 0 = unlimited; above it logins get 23
};

struct Node {
    std::string key;
    std::string name;  // GBK
    std::string parent;
    std::string textA, textB;
};

struct Alarm {
    int periodSeconds = 30;
    int type = 1;
    int region = 1;
    int x = 16, y = 16, width = 96, height = 64;
};

struct Recordings {
    int days = 7;
    int everyMinutes = 60;    // one file starts at each multiple of this
    int segmentMinutes = 10;  // length each file names
};

struct Camera {
    std::string key;
    std::string name;  // GBK
    std::string node;
    bool online = true;
    uint32_t device = 0;
    std::string relay;   // relay id
    std::string record;  // record server id
    int width = 352, height = 288, fps = 25;
    int audioCodec = 26;  // 26: no coded sound
    bool ptz = false;
    bool live = false;    // encode live (draws the wall clock); PTZ cameras always do
    bool hasAlarm = false;
    Alarm alarm;
    bool hasRecordings = false;
    Recordings recordings;
    int bitrateKbps = 0;  // 0 = chosen from the picture size
    std::string textA, textB;
};

struct ServerPort {
    std::string id;
    uint16_t port = 0;
    std::string host;      // host name written into camera records
    bool hostSet = false;  // false: the bind address; true with "": left empty
};

// Switches that make the simulator misbehave on purpose.
struct Faults {
    int refuseLogins = 0;          // result code for every central login; 0 = off
    int dropAfterSeconds = 0;      // close central and relay connections after N s
    bool stopHeartbeats = false;   // never answer heartbeats
    std::string malformed;         // see FaultSwitches.h
    int relayKbps = 0;             // cap each relay connection's media rate; 0 = off
    int refuseStreams = 0;         // refuse each camera's first N download requests
    bool silentLookup = false;     // never answer the UDP lookup
};

struct Scenario {
    uint16_t centralPort = 8116;
    std::string lookupHost;        // host named in lookup replies ("" = keep configured)
    int camerasPerReply = 50;
    int64_t clockOffsetSeconds = 0;
    int keepAliveSeconds = 30;
    uint16_t httpPort = 0;
    int clipSeconds = 6;
    int loopSeconds = 4;
    std::string cacheDir;          // "" = default cache folder
    std::vector<Account> accounts;
    std::vector<Account> recordAccounts;
    std::vector<Node> nodes;
    std::vector<Camera> cameras;
    std::vector<ServerPort> relays;
    std::vector<ServerPort> recordServers;
    std::map<int, std::string> audioCodecs;  // codec number -> "encoder[:bitrate]"
    Faults faults;

    const Camera* FindCamera(const std::string& key) const;
    const Account* FindAccount(const std::string& user) const;
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a scenario; `origin` names it in errors ("file:line: what").
// Throws ScenarioError.
Scenario ParseScenario(const std::string& jsonText, const std::string& origin);
Scenario LoadScenarioFile(const std::string& path);

}  // namespace sim
