// Base of every thread object of the library and the viewer: Start runs
// Run on a new thread, Stop asks it to return and waits up to 5000 ms.
//
// A thread that ignores its stop request for 5 s is never killed (it may
// hold a lock): Stop detaches it and marks it abandoned. The object must
// then outlive it, so owners free thread objects through Dispose, which
// frees at once when the thread has ended and otherwise hands the object
// to the abandoned thread, which frees it when Run finally returns.
// A subclass destructor must call Stop first, as long as it has members
// that Run touches.
//
// Thread: Start, Stop and Dispose from one owner thread; StopRequested and
// IsRunning from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class CThread {
public:
    static constexpr int kStopWaitMs = 5000;

    CThread();
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // The thread body.
    virtual int Run() = 0;
    // False when a thread already exists (until Stop has run).
    virtual bool Start();
    virtual void Stop();

    bool StopRequested() const { return m_stopRequest.load(std::memory_order_acquire); }
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }
    bool HasThread() const { return m_hasThread.load(); }
    bool IsAbandoned() const { return m_abandoned.load(); }
    uint32_t ThreadId() const { return m_threadId.load(); }

    // Frees the object now, or hands it to its abandoned thread. Takes
    // ownership.
    static void Dispose(std::unique_ptr<CThread> thread);

protected:
    void RequestStop() { m_stopRequest.store(true, std::memory_order_release); }
    // Sleeps up to ms in short slices; false when a stop was requested.
    bool SleepUnlessStopped(unsigned ms, unsigned sliceMs = 20);

private:
    struct Control;

    std::atomic<uint32_t> m_threadId{0};
    std::thread m_thread;
    // Written by the owner, and by the thread itself when it stops itself.
    std::atomic<bool> m_hasThread{false};
    std::atomic<bool> m_abandoned{false};
    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_running{false};
    std::shared_ptr<Control> m_control;
};

// A CThread running a plain function with a user pointer.
class CThreadWrapper : public CThread {
public:
    using Function = int (*)(void* user);

    CThreadWrapper(Function function, void* user) : m_function(function), m_user(user) {}
    ~CThreadWrapper() override { Stop(); }

    int Run() override { return m_function ? m_function(m_user) : 0; }
    // The function polls this to honour Stop.
    bool ShouldStop() const { return StopRequested(); }

private:
    Function m_function;
    void* m_user;  // borrowed, must outlive the thread
};
