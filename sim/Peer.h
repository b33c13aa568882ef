// One accepted connection of a TcpServer: bounded input and output buffers
// and the hooks a protocol fills in.
// Thread: owned and called only by its server's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class Peer {
public:
    Peer() = default;
    virtual ~Peer() = default;
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    virtual void OnOpen() {}
    // `packet` holds `length` bytes, header included; valid during the call.
    virtual void OnPacket(uint32_t command, const uint8_t* packet, size_t length) = 0;
    // Once per pass of the server loop (every few milliseconds).
    virtual void OnTick(int64_t nowMs) { (void)nowMs; }
    virtual void OnClosed() {}

    // Queues bytes; false (nothing queued) when they would overflow the
    // output bound, so a client that never reads cannot grow memory.
    bool Send(const std::vector<uint8_t>& bytes) { return Send(bytes.data(), bytes.size()); }
    bool Send(const uint8_t* data, size_t size);
    size_t Queued() const { return m_out.size() - m_outHead; }
    size_t Room() const { return m_outLimit - Queued(); }
    // Closes once the queued bytes are out.
    void CloseAfterFlush() { m_closeAfterFlush = true; }
    void CloseNow() { m_closeNow = true; }

    const std::string& Remote() const { return m_remote; }
    int64_t OpenedMs() const { return m_openedMs; }

    // --- used by TcpServer only
    void Attach(int fd, std::string remote, int64_t nowMs, size_t outLimit);
    int Fd() const { return m_fd; }
    std::vector<uint8_t>& Input() { return m_in; }
    // Sends what the socket takes; false on a socket error.
    bool Flush();
    bool WantsClose() const { return m_closeNow || (m_closeAfterFlush && Queued() == 0); }

private:
    int m_fd = -1;
    std::string m_remote;
    int64_t m_openedMs = 0;
    size_t m_outLimit = 0;
    std::vector<uint8_t> m_in;
    std::vector<uint8_t> m_out;
    size_t m_outHead = 0;
    bool m_closeAfterFlush = false;
    bool m_closeNow = false;
};

}  // namespace sim
