#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace avtest {

// A TCP server on 127.0.0.1 that accepts, sends `greeting` (possibly
// nothing) and then never says another word, holding every connection
// open until destroyed. Thread: one test thread; its own accept thread.
class StallServer {
public:
    explicit StallServer(std::string greeting = "");
    ~StallServer();
    StallServer(const StallServer&) = delete;
    StallServer& operator=(const StallServer&) = delete;
    uint16_t Port() const { return m_port; }
    int Accepted() const { return m_accepted.load(); }

private:
    void Run();
    std::string m_greeting;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    uint16_t m_port = 0;
    std::atomic<int> m_accepted{0};
    std::vector<int> m_clients;  // accept thread only
    std::thread m_thread;
};

}  // namespace avtest
