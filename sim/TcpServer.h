// A listening socket and its connections, run by one thread with a poll()
// loop. Optional datagram sockets share the loop (the central server's UDP
// lookup). Thread: Listen/AddDatagram/Set* before Start(); Start/Stop from
// one controlling thread; the peers live on the server thread only.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/Peer.h"

namespace sim {

class SimLog;

class TcpServer {
public:
    using Factory = std::function<std::unique_ptr<Peer>()>;

    // `log` is borrowed and must outlive the server.
    TcpServer(std::string name, SimLog& log, Factory factory);
    ~TcpServer();

    // Binds and listens; throws std::runtime_error with the reason.
    void Listen(const std::string& bindAddress, uint16_t port);
    uint16_t Port() const { return m_port; }
    // Takes ownership of `fd`; `onReadable` runs on the server thread.
    void AddDatagram(int fd, std::function<void(int)> onReadable);
    void SetOutputLimit(size_t bytes) { m_outLimit = bytes; }
    void SetDropAfterSeconds(int seconds) { m_dropAfterMs = seconds * 1000LL; }
    void SetPollMs(int ms) { m_pollMs = ms; }
    void SetMaxPeers(size_t n) { m_maxPeers = n; }

    void Start();
    void Stop();  // joins; closes every connection
    // Thread: any.
    size_t PeerCount() const { return m_peerCount.load(); }
    // Closes every open connection at the next pass. Thread: any.
    void DropAll();

    static int64_t NowMs();  // monotonic

private:
    struct Entry {
        std::unique_ptr<Peer> peer;
    };
    void Loop();
    void AcceptAll(int64_t now);
    void ReadFrom(Peer& peer);
    void ClosePeer(size_t index, const char* why);

    std::string m_name;
    SimLog& m_log;
    Factory m_factory;
    const int m_wakeFd;  // eventfd that interrupts poll()
    // --- set before Start(), read-only after
    int m_listenFd = -1;
    uint16_t m_port = 0;
    size_t m_outLimit = 1 << 20;
    int64_t m_dropAfterMs = 0;
    int m_pollMs = 20;
    size_t m_maxPeers = 4096;
    std::vector<std::pair<int, std::function<void(int)>>> m_datagrams;
    // --- server thread only
    std::vector<Entry> m_peers;
    // --- any thread
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_dropAll{false};
    std::atomic<size_t> m_peerCount{0};
    std::thread m_thread;
};

}  // namespace sim
