// Runs a simulator in the test process on ephemeral loopback ports and
// records its event lines so tests can wait on them.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/Scenario.h"
#include "sim/Simulator.h"

namespace simtest {

std::string DataFile(const std::string& name);
sim::Scenario LoadTiny();

class SimFixture {
public:
    explicit SimFixture(std::function<void(sim::Scenario&)> adjust = {});
    explicit SimFixture(sim::Scenario scenario);
    ~SimFixture();

    sim::Simulator& Sim() { return *m_sim; }
    // Index of the next line to arrive.
    size_t Mark();
    // Waits for a line holding `text` at or after line `from`; returns it.
    bool WaitLine(const std::string& text, int timeoutMs = 5000, size_t from = 0, std::string* line = nullptr);
    bool WaitMediaReady(int timeoutMs = 30000);
    std::vector<std::string> Lines();

private:
    void Start(sim::Scenario scenario);
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::vector<std::string> m_lines;  // guarded by m_lock
    std::unique_ptr<sim::Simulator> m_sim;
};

}  // namespace simtest
