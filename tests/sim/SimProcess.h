// Runs the KelvoSim program as a child process, for end-to-end tests:
// parses the ready line into ports, collects stdout lines to wait on, and
// stops the program with SIGTERM. Thread: one test thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

class SimProcess {
public:
    // `program` "" = $KELVO_BUILD_DIR/bin/KelvoSim.
    explicit SimProcess(std::vector<std::string> args, std::string program = "");
    ~SimProcess();  // SIGKILL if still running
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Waits for the ready line and fills the ports; false on time-out or exit.
    bool WaitReady(int timeoutMs = 20000);
    uint16_t central = 0, http = 0;
    std::vector<uint16_t> relays, records;

    // Waits for a stdout line holding `text` (at or after line `from`).
    bool WaitLine(const std::string& text, int timeoutMs = 5000, size_t from = 0, std::string* line = nullptr);
    size_t Mark() const { return m_lines.size(); }
    // SIGTERM, then waits; returns the exit status, or -1 on time-out.
    int Stop(int timeoutMs = 10000);
    // Waits for the program to end by itself; exit status or -1.
    int Wait(int timeoutMs);
    const std::vector<std::string>& Lines() const { return m_lines; }
    const std::string& Stderr() const { return m_err; }
    pid_t Pid() const { return m_pid; }

private:
    bool Pump(int timeoutMs);  // reads what arrived; false when stdout closed
    pid_t m_pid = -1;
    int m_out = -1, m_errFd = -1;
    std::string m_partial, m_err;
    std::vector<std::string> m_lines;
};

}  // namespace simtest
