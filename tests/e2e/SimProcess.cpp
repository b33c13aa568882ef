#include "tests/e2e/SimProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace e2e {

SimProcess::SimProcess(const std::string& scenario, const std::vector<std::string>& extra) {
    const char* build = std::getenv("KELVO_BUILD_DIR");
    const char* source = std::getenv("KELVO_SOURCE_DIR");
    std::string program = std::string(build ? build : ".") + "/bin/KelvoSim";
    std::string scenarioPath = std::string(source ? source : ".") + "/" + scenario;
    char tmpl[] = "/tmp/kelvo-e2e-XXXXXX";
    m_cacheDir = mkdtemp(tmpl) ? tmpl : "/tmp";

    std::vector<std::string> args = {program, "--scenario", scenarioPath, "--port", "0",
                                     "--cache-dir", m_cacheDir};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipefd[2];
    if (pipe2(pipefd, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
    if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipefd[1]);
    m_reader = std::thread(&SimProcess::Reader, this, pipefd[0]);

    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait_for(lock, std::chrono::seconds(60), [&] { return m_ready || m_pid < 0; });
}

SimProcess::~SimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (m_reader.joinable()) m_reader.join();
    std::string rm = "rm -rf '" + m_cacheDir + "'";
    if (m_cacheDir.rfind("/tmp/kelvo-e2e-", 0) == 0 && std::system(rm.c_str()) != 0) {
    }
}

void SimProcess::Reader(int fd) {
    std::string pending;
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (line.rfind("KelvoSim ready central=", 0) == 0) {
                size_t colon = line.find(':', 23);
                if (colon != std::string::npos) m_central = static_cast<uint16_t>(std::atoi(line.c_str() + colon + 1));
                m_ready = true;
            }
            m_lines.push_back(line);
            m_cond.notify_all();
        }
    }
    close(fd);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pid = m_pid > 0 ? m_pid : -1;
    m_cond.notify_all();
}

bool SimProcess::WaitLine(const std::string& text, int timeoutMs, size_t from) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (size_t i = from; i < m_lines.size(); ++i)
            if (m_lines[i].find(text) != std::string::npos) return true;
        return false;
    });
}

size_t SimProcess::Mark() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.size();
}

std::vector<std::string> SimProcess::Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

}  // namespace e2e
