// One running copy of the program: a lock file held with flock (the kernel
// frees it when a copy dies, so a crash never blocks a restart) and a UNIX
// socket on which a second copy asks the first to raise its main window.
// Both live in $XDG_RUNTIME_DIR (else a private folder under /tmp).
// Thread: Acquire, AskFirstToRaise and the destructor from one thread; the
// raise handler runs on the listener thread.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace platform {

class SingleInstance {
public:
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock. False when another copy holds it (AlreadyRunning) or
    // the lock file cannot be made (Failed).
    bool Acquire();
    bool AlreadyRunning() const { return m_alreadyRunning; }
    bool Failed() const { return m_failed; }

    // First copy: serves raise requests; `onRaise` runs on the listener
    // thread (post to the UI thread from it).
    bool Listen(std::function<void()> onRaise);
    // Second copy: asks the first to raise its window; true when it answered.
    bool AskFirstToRaise(int timeoutMs = 1000);

    const std::string& LockPath() const { return m_lockPath; }

    static std::string RuntimeDir();

private:
    void Serve();

    std::string m_lockPath, m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    int m_wakeFd[2] = {-1, -1};
    bool m_alreadyRunning = false;
    bool m_failed = false;
    std::function<void()> m_onRaise;
    std::thread m_listener;
};

}  // namespace platform
