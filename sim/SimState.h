// Run-time state shared by the servers: logins per account, client
// identifiers, PTZ positions, talk ownership and stream-refusal counters.
// Thread: any; every method takes the one lock.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "sim/PtzState.h"
#include "sim/Scenario.h"

namespace sim {

class SimState {
public:
    // `scenario` is borrowed and must outlive the state.
    explicit SimState(const Scenario& scenario) : m_scenario(scenario), m_faults(scenario.faults) {}

    const Scenario& Config() const { return m_scenario; }
    uint32_t NextClientId();
    // Fault switches in force: the scenario's, changed at run time by the
    // control path. Setting them restarts the stream-refusal counts.
    Faults CurrentFaults() const;
    void SetFaults(const Faults& faults);
    // Server clock: wall clock plus the scenario's offset.
    uint32_t ServerTime() const;

    // False when the account already holds `max` logins (0 = no limit).
    bool AddLogin(const std::string& user, int max);
    void RemoveLogin(const std::string& user);
    int Logins(const std::string& user) const;

    // Returns false for an unknown camera or command; `after` gets the position.
    bool Ptz(const std::string& key, int command, int param, PtzPosition* after);
    PtzPosition PtzAt(const std::string& key) const;

    // A device talks with one client at a time.
    bool OpenTalk(uint32_t device, uint32_t clientId);
    void CloseTalk(uint32_t device, uint32_t clientId);
    void CloseTalksOf(uint32_t clientId);
    bool TalkHeldBy(uint32_t device, uint32_t clientId) const;

    void SetStreamRequested(const std::string& key, bool on);
    bool StreamRequested(const std::string& key) const;
    // Counts a download request; true while the camera's first `n` are refused.
    bool RefuseStream(const std::string& key, int n);

private:
    const Scenario& m_scenario;
    mutable std::mutex m_lock;
    // --- guarded by m_lock
    uint32_t m_nextClient = 1000;
    Faults m_faults;
    std::map<std::string, int> m_logins;
    mutable std::map<std::string, PtzState> m_ptz;
    std::map<uint32_t, uint32_t> m_talk;  // device -> client
    std::map<std::string, bool> m_requested;
    std::map<std::string, int> m_downloads;
};

}  // namespace sim
