// Helpers shared by the library tests: a loopback peer that plays the
// server side, a manual clock, captured diagnostics, condition waits.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/DebugOutput.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// Polls `pred` every 2 ms until it holds or `timeoutMs` passes.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

class ManualClock : public platform::Clock {
public:
    explicit ManualClock(uint32_t seconds = 1700000000) : m_seconds(seconds) {}
    uint64_t TickMs() const override { return platform::TickMs(); }
    uint32_t NowSeconds() const override { return m_seconds.load(); }
    void Advance(uint32_t seconds) { m_seconds += seconds; }
    void Set(uint32_t seconds) { m_seconds = seconds; }

private:
    std::atomic<uint32_t> m_seconds;
};

// Collects every diagnostic line while alive.
class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& text) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// One accepted TCP connection of a LoopbackServer (blocking socket).
class PeerConnection {
public:
    explicit PeerConnection(int fd) : m_fd(fd) {}
    ~PeerConnection();
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    bool Send(const Bytes& bytes);
    // Reads exactly n bytes, or fails after timeoutMs.
    bool ReadExact(size_t n, Bytes* out, int timeoutMs = 5000);
    // Reads one packet (u32 length first). Fails on time-out or close.
    bool ReadPacket(Bytes* out, int timeoutMs = 5000);
    // Reads packets until one with `command` arrives.
    bool ReadCommand(uint32_t command, Bytes* out, int timeoutMs = 5000);
    // True when the peer closed (EOF or reset) within timeoutMs.
    bool WaitClosed(int timeoutMs = 5000);
    void Close();
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

// A listening socket on 127.0.0.1 with an ephemeral port.
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    uint16_t Port() const { return m_port; }
    // Waits for the next connection; null on time-out.
    std::unique_ptr<PeerConnection> Accept(int timeoutMs = 5000);
    int AcceptedCount() const { return m_accepted; }
    void Close();

private:
    int m_fd = -1;
    uint16_t m_port = 0;
    int m_accepted = 0;
};

// A UDP socket on 127.0.0.1 that answers the lookup.
class LoopbackUdp {
public:
    LoopbackUdp();
    ~LoopbackUdp();
    uint16_t Port() const { return m_port; }
    // Receives one datagram and remembers its sender; -1 on time-out.
    long Receive(Bytes* out, int timeoutMs);
    bool Reply(const Bytes& bytes);

private:
    int m_fd = -1;
    uint16_t m_port = 0;
    uint32_t m_lastAddr = 0;
    uint16_t m_lastPort = 0;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t UnusedPort();

Bytes Le32(uint32_t v);
void PutLe32(Bytes& b, size_t at, uint32_t v);
void PutLe16(Bytes& b, size_t at, uint16_t v);
void PutStr(Bytes& b, size_t at, const std::string& s);
uint32_t GetLe32(const Bytes& b, size_t at);
uint16_t GetLe16(const Bytes& b, size_t at);
// A packet of `length` bytes with the header filled in.
Bytes Packet(uint32_t length, uint32_t command);

}  // namespace testing_support
