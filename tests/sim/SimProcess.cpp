#include "SimProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>

namespace simtest {

SimProcess::SimProcess(std::vector<std::string> args, std::string program) {
    if (program.empty()) {
        const char* dir = std::getenv("KELVO_BUILD_DIR");
        program = std::string(dir ? dir : ".") + "/bin/KelvoSim";
    }
    int o[2], e[2];
    if (pipe(o) != 0 || pipe(e) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        dup2(o[1], 1);
        dup2(e[1], 2);
        close(o[0]);
        close(e[0]);
        std::vector<char*> argv{program.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(o[1]);
    close(e[1]);
    m_out = o[0];
    m_errFd = e[0];
}

SimProcess::~SimProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) close(m_out);
    if (m_errFd >= 0) close(m_errFd);
}

bool SimProcess::Pump(int timeoutMs) {
    pollfd p[2] = {{m_out, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    if (poll(p, 2, timeoutMs) <= 0) return true;
    char buf[8192];
    if (p[1].revents & (POLLIN | POLLHUP)) {
        ssize_t n = read(m_errFd, buf, sizeof buf);
        if (n > 0) m_err.append(buf, n);
    }
    if (!(p[0].revents & (POLLIN | POLLHUP))) return true;
    ssize_t n = read(m_out, buf, sizeof buf);
    if (n <= 0) return false;
    m_partial.append(buf, n);
    size_t nl;
    while ((nl = m_partial.find('\n')) != std::string::npos) {
        m_lines.push_back(m_partial.substr(0, nl));
        m_partial.erase(0, nl + 1);
    }
    return true;
}

bool SimProcess::WaitLine(const std::string& text, int timeoutMs, size_t from, std::string* line) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (size_t next = from;;) {
        for (; next < m_lines.size(); ++next)
            if (m_lines[next].find(text) != std::string::npos) {
                if (line) *line = m_lines[next];
                return true;
            }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Pump(static_cast<int>(left.count()))) return false;
    }
}

bool SimProcess::WaitReady(int timeoutMs) {
    std::string line;
    if (!WaitLine("KelvoSim ready ", timeoutMs, 0, &line)) return false;
    auto ports = [&](const std::string& key) {
        std::vector<uint16_t> out;
        std::smatch m;
        if (!std::regex_search(line, m, std::regex(" " + key + "=([^ ]+)"))) return out;
        std::string list = m[1];
        std::regex addr(":(\\d+)");
        for (auto it = std::sregex_iterator(list.begin(), list.end(), addr); it != std::sregex_iterator(); ++it)
            out.push_back(static_cast<uint16_t>(std::stoi((*it)[1])));
        return out;
    };
    auto c = ports("central"), h = ports("http");
    relays = ports("relay");
    records = ports("record");
    if (c.empty() || h.empty()) return false;
    central = c[0];
    http = h[0];
    return true;
}

int SimProcess::Wait(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0) {
        int st = 0;
        if (waitpid(m_pid, &st, WNOHANG) == m_pid) {
            m_pid = -1;
            char buf[8192];
            ssize_t n;
            while ((n = read(m_errFd, buf, sizeof buf)) > 0) m_err.append(buf, n);
            while ((n = read(m_out, buf, sizeof buf)) > 0) m_partial.append(buf, n);
            size_t nl;
            while ((nl = m_partial.find('\n')) != std::string::npos) {
                m_lines.push_back(m_partial.substr(0, nl));
                m_partial.erase(0, nl + 1);
            }
            return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        }
        if (std::chrono::steady_clock::now() > deadline) return -1;
        Pump(10);
    }
    return -1;
}

int SimProcess::Stop(int timeoutMs) {
    if (m_pid <= 0) return -1;
    kill(m_pid, SIGTERM);
    return Wait(timeoutMs);
}

}  // namespace simtest
