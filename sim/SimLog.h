// One line per event on stdout, flushed at once, so tests can follow the
// simulator's side. Thread: any (lines never interleave).
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace sim {

class SimLog {
public:
    // Quiet drops event lines; Always() lines (the ready line, errors) stay.
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    // Every line also goes to `tap` (tests running the simulator in-process).
    void SetTap(std::function<void(const std::string&)> tap);
    void Event(const std::string& line);
    void Always(const std::string& line);

private:
    void Write(const std::string& line, bool always);

    bool m_quiet = false;  // set before servers start
    std::mutex m_lock;
    std::function<void(const std::string&)> m_tap;  // guarded by m_lock
};

}  // namespace sim
