// Manual- or auto-reset event with a timed wait.
// Thread: any.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
public:
    explicit Event(bool manualReset = true, bool initiallySet = false)
        : m_manual(manualReset), m_set(initiallySet) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_set = true;
        }
        m_cond.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set = false;
    }
    // Negative timeout waits forever. True when the event was set.
    bool Wait(int timeoutMs) {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto isSet = [&] { return m_set; };
        if (timeoutMs < 0) {
            m_cond.wait(lock, isSet);
        } else if (!m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
            return false;
        }
        if (!m_manual) m_set = false;
        return true;
    }
    bool IsSet() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_set;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    const bool m_manual;
    bool m_set;
};

}  // namespace platform
