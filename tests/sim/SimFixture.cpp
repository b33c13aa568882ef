#include "SimFixture.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace simtest {

std::string DataFile(const std::string& name) { return std::string(KELVO_SIM_TEST_DATA) + "/" + name; }

sim::Scenario LoadTiny() {
    sim::Scenario sc = sim::LoadScenarioFile(DataFile("tiny.json"));
    sc.cacheDir = "/tmp/kelvosim-test-cache-" + std::to_string(getuid());
    return sc;
}

SimFixture::SimFixture(std::function<void(sim::Scenario&)> adjust) {
    sim::Scenario sc = LoadTiny();
    if (adjust) adjust(sc);
    Start(std::move(sc));
}

SimFixture::SimFixture(sim::Scenario scenario) { Start(std::move(scenario)); }

void SimFixture::Start(sim::Scenario scenario) {
    m_sim = std::make_unique<sim::Simulator>(std::move(scenario), "127.0.0.1", true);
    m_sim->Log().SetTap([this](const std::string& line) {
        std::lock_guard<std::mutex> g(m_lock);
        m_lines.push_back(line);
        m_cv.notify_all();
    });
    m_sim->Start();
}

SimFixture::~SimFixture() {
    m_sim->Stop();
    m_sim.reset();
}

size_t SimFixture::Mark() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_lines.size();
}

bool SimFixture::WaitLine(const std::string& text, int timeoutMs, size_t from, std::string* line) {
    std::unique_lock<std::mutex> lk(m_lock);
    size_t next = from;
    return m_cv.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] {
        for (; next < m_lines.size(); ++next)
            if (m_lines[next].find(text) != std::string::npos) {
                if (line) *line = m_lines[next];
                return true;
            }
        return false;
    });
}

bool SimFixture::WaitMediaReady(int timeoutMs) { return WaitLine("media ready", timeoutMs); }

std::vector<std::string> SimFixture::Lines() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_lines;
}

}  // namespace simtest
