#include "platform/Semaphore.h"

#include <chrono>

namespace platform {

Semaphore::Semaphore(int initial, int maximum) : m_count(initial), m_maximum(maximum) {}

bool Semaphore::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const unsigned generation = m_wakeGeneration;
    auto ready = [&] { return m_count > 0 || m_wakeGeneration != generation; };
    if (timeoutMs < 0) {
        m_cond.wait(lock, ready);
    } else if (!m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return false;
    }
    if (m_count > 0) {
        --m_count;
        return true;
    }
    return false;
}

bool Semaphore::Release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_count >= m_maximum) return false;
        ++m_count;
    }
    m_cond.notify_one();
    return true;
}

void Semaphore::WakeAll() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_wakeGeneration;
    }
    m_cond.notify_all();
}

int Semaphore::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

}  // namespace platform
