#include "sim/SimState.h"

#include <ctime>

#include "sim/TcpServer.h"

namespace sim {

uint32_t SimState::NextClientId() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_nextClient++;
}

Faults SimState::CurrentFaults() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_faults;
}

void SimState::SetFaults(const Faults& faults) {
    std::lock_guard<std::mutex> g(m_lock);
    m_faults = faults;
    m_downloads.clear();
}

uint32_t SimState::ServerTime() const {
    return static_cast<uint32_t>(static_cast<int64_t>(time(nullptr)) + m_scenario.clockOffsetSeconds);
}

bool SimState::AddLogin(const std::string& user, int max) {
    std::lock_guard<std::mutex> g(m_lock);
    int& n = m_logins[user];
    if (max > 0 && n >= max) return false;
    ++n;
    return true;
}

void SimState::RemoveLogin(const std::string& user) {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_logins.find(user);
    if (it != m_logins.end() && --it->second <= 0) m_logins.erase(it);
}

int SimState::Logins(const std::string& user) const {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_logins.find(user);
    return it == m_logins.end() ? 0 : it->second;
}

bool SimState::Ptz(const std::string& key, int command, int param, PtzPosition* after) {
    const Camera* cam = m_scenario.FindCamera(key);
    if (!cam || !cam->ptz) return false;
    std::lock_guard<std::mutex> g(m_lock);
    int64_t now = TcpServer::NowMs();
    PtzState& s = m_ptz[key];
    bool ok = s.Apply(command, param, now);
    if (after) *after = s.At(now);
    return ok;
}

PtzPosition SimState::PtzAt(const std::string& key) const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_ptz[key].At(TcpServer::NowMs());
}

bool SimState::OpenTalk(uint32_t device, uint32_t clientId) {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_talk.find(device);
    if (it != m_talk.end() && it->second != clientId) return false;
    m_talk[device] = clientId;
    return true;
}

void SimState::CloseTalk(uint32_t device, uint32_t clientId) {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_talk.find(device);
    if (it != m_talk.end() && it->second == clientId) m_talk.erase(it);
}

void SimState::CloseTalksOf(uint32_t clientId) {
    std::lock_guard<std::mutex> g(m_lock);
    for (auto it = m_talk.begin(); it != m_talk.end();)
        it = it->second == clientId ? m_talk.erase(it) : std::next(it);
}

bool SimState::TalkHeldBy(uint32_t device, uint32_t clientId) const {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_talk.find(device);
    return it != m_talk.end() && it->second == clientId;
}

void SimState::SetStreamRequested(const std::string& key, bool on) {
    std::lock_guard<std::mutex> g(m_lock);
    m_requested[key] = on;
}

bool SimState::StreamRequested(const std::string& key) const {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_requested.find(key);
    return it != m_requested.end() && it->second;
}

bool SimState::RefuseStream(const std::string& key, int n) {
    std::lock_guard<std::mutex> g(m_lock);
    return ++m_downloads[key] <= n;
}

}  // namespace sim
