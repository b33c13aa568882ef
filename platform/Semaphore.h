// Counting semaphore with a maximum and a timed wait.
// Thread: any. Release beyond the maximum fails and leaves the count alone.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class Semaphore {
public:
    Semaphore(int initial, int maximum);
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    // Blocks up to timeoutMs (negative = forever). True when a unit was taken.
    bool Wait(int timeoutMs);
    // Adds one unit; false when the count is already at its maximum.
    bool Release();
    // Wakes every waiter without adding a unit; they re-check their own
    // closing flag (a pool being destroyed).
    void WakeAll();
    int Count() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    int m_count;
    const int m_maximum;
    unsigned m_wakeGeneration = 0;
};

}  // namespace platform
