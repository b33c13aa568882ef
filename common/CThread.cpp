#include "common/CThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"

struct CThread::Control {
    std::mutex mutex;
    std::condition_variable finishedCond;
    bool finished = false;
    std::unique_ptr<CThread> disposeOnExit;  // set by Dispose after abandonment
};

CThread::CThread() = default;

CThread::~CThread() {
    Stop();
    if (m_thread.joinable()) {
        // Freed by its own thread (Dispose after a self-stop or an
        // abandonment): that thread cannot join itself.
        bool finished = false;
        if (m_control && m_thread.get_id() != std::this_thread::get_id()) {
            std::lock_guard<std::mutex> lock(m_control->mutex);
            finished = m_control->finished;
        }
        if (finished)
            m_thread.join();
        else
            m_thread.detach();
    }
}

bool CThread::Start() {
    if (m_hasThread) return false;
    if (m_thread.joinable()) {
        // A thread that stopped itself or was abandoned may still be on its
        // way out: never run two bodies on one object.
        std::unique_lock<std::mutex> lock(m_control->mutex);
        if (!m_control->finishedCond.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                              [&] { return m_control->finished; }))
            return false;
        lock.unlock();
        m_thread.join();
    }
    m_abandoned = false;
    m_stopRequest.store(false);
    m_running.store(true);
    m_threadId.store(0);
    m_control = std::make_shared<Control>();
    std::shared_ptr<Control> control = m_control;
    m_hasThread = true;
    try {
        m_thread = std::thread([this, control] {
            m_threadId.store(platform::CurrentThreadId());
            Run();
            m_running.store(false, std::memory_order_release);
            std::unique_ptr<CThread> orphan;
            {
                std::lock_guard<std::mutex> lock(control->mutex);
                control->finished = true;
                orphan = std::move(control->disposeOnExit);
            }
            control->finishedCond.notify_all();
            // `this` may be freed here; nothing below touches it.
            orphan.reset();
        });
    } catch (const std::system_error&) {
        m_hasThread = false;
        m_running.store(false);
        m_control.reset();
        return false;
    }
    return true;
}

void CThread::Stop() {
    if (!m_hasThread) return;
    RequestStop();
    if (m_threadId.load() == platform::CurrentThreadId()) {
        // Stopped from its own thread (a callback): it cannot wait for
        // itself, so it ends after returning, and Dispose defers the free.
        m_abandoned = true;
        m_hasThread = false;
        return;
    }
    bool finished;
    {
        std::unique_lock<std::mutex> lock(m_control->mutex);
        finished = m_control->finishedCond.wait_for(
            lock, std::chrono::milliseconds(kStopWaitMs), [&] { return m_control->finished; });
    }
    if (finished) {
        m_thread.join();
    } else {
        platform::DebugTrace("thread %u ignored its stop request; abandoned", m_threadId.load());
        m_abandoned = true;
    }
    m_hasThread = false;
}

bool CThread::SleepUnlessStopped(unsigned ms, unsigned sliceMs) {
    const uint64_t end = platform::TickMs() + ms;
    for (;;) {
        if (StopRequested()) return false;
        uint64_t now = platform::TickMs();
        if (now >= end) return true;
        uint64_t left = end - now;
        platform::SleepMs(static_cast<unsigned>(left < sliceMs ? left : sliceMs));
    }
}

void CThread::Dispose(std::unique_ptr<CThread> thread) {
    if (!thread) return;
    thread->Stop();
    if (!thread->m_abandoned) return;  // freed on return
    std::shared_ptr<Control> control = thread->m_control;
    std::lock_guard<std::mutex> lock(control->mutex);
    if (!control->finished) control->disposeOnExit = std::move(thread);
}
