// Runs the real KelvoSim program for a test: on ephemeral loopback ports,
// its stdout lines collected so the test can wait for them.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

class SimProcess {
public:
    // `scenario` is a path relative to the source tree.
    explicit SimProcess(const std::string& scenario, const std::vector<std::string>& extra = {});
    ~SimProcess();

    bool Ready() const { return m_ready; }
    uint16_t CentralPort() const { return m_central; }
    // Waits for a line containing `text`, from line `from` on.
    bool WaitLine(const std::string& text, int timeoutMs = 10000, size_t from = 0);
    size_t Mark();
    std::vector<std::string> Lines();

private:
    void Reader(int fd);

    pid_t m_pid = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    std::vector<std::string> m_lines;
    bool m_ready = false;
    uint16_t m_central = 0;
    std::string m_cacheDir;
};

}  // namespace e2e
