#include "sim/SimLog.h"

#include <cstdio>

namespace sim {

void SimLog::SetTap(std::function<void(const std::string&)> tap) {
    std::lock_guard<std::mutex> g(m_lock);
    m_tap = std::move(tap);
}

void SimLog::Event(const std::string& line) { Write(line, false); }
void SimLog::Always(const std::string& line) { Write(line, true); }

void SimLog::Write(const std::string& line, bool always) {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_tap) m_tap(line);
    if (m_quiet && !always) return;
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace sim
