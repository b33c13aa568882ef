// One TCP connection to one server, run by its own thread: resolve,
// connect (5 s limit), then a 20 ms polling loop (woken early by arriving
// bytes; the timer hook keeps the 20 ms cadence) that receives into a fixed
// buffer, hands the bytes to OnReceive, and sends queued packets whole and
// in order. Subclasses speak the protocol through the hooks.
//
// Thread contract:
//   - Run, OnConnect, OnReceive, OnTimer and the buffers: connection thread.
//   - PostPacket, ClearOutgoing, State: any thread (queue lock).
//   - SetServer, SetClock, SetRetryDelayMs: before Start, or while stopped.
//   - Stop: owner thread; Close runs on the connection thread (from the
//     loop or OnTimer) or inside Stop after the thread ended.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "common/CThread.h"
#include "platform/Clock.h"
#include "platform/CriticalSection.h"
#include "platform/Socket.h"

struct OutgoingItem {
    std::vector<uint8_t> data;  // one complete packet; empty when the copy failed
};

enum class ConnectionState : uint8_t { Idle = 0, Disconnected = 1, Connected = 2 };

class TcpSession : public CThread {
public:
    static constexpr size_t kBufferSize = 204800;
    static constexpr uint32_t kStallLimitSeconds = 60;
    static constexpr unsigned kPollMs = 20;
    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr size_t kHostSize = 32;
    static constexpr int kReadsPerPass = 16;

    TcpSession();
    ~TcpSession() override;

    int Run() override;
    // Half-closes the socket, stops the thread, then closes.
    void Stop() override;

    // Queues a copy of one complete packet. Thread: any.
    bool PostPacket(const uint8_t* data, size_t length);
    void ClearOutgoing();
    size_t OutgoingCount() const;
    // Drops the connection: state Disconnected, buffers emptied, queue
    // cleared, OnClose called.
    void Close();

    ConnectionState State() const { return m_state.load(std::memory_order_acquire); }
    const char* Host() const { return m_host; }

    // Host (at most 31 characters) and port in host order; the address is
    // resolved again at the next connect.
    void SetServer(const char* host, uint16_t port);
    void SetClock(const platform::Clock* clock) { m_clock = clock; }
    // Pause after a failed connect that OnConnect chose to retry.
    void SetRetryDelayMs(unsigned ms) { m_retryDelayMs = ms; }

protected:
    // After each connect attempt. On failure, true retries after the
    // retry delay and false ends the thread.
    virtual bool OnConnect(bool connected);
    // Consumes whole packets from the front of the buffer; false when the
    // bytes cannot be framed (the connection is then closed).
    virtual bool OnReceive(const uint8_t* data, size_t size, size_t* consumed) = 0;
    virtual std::unique_ptr<OutgoingItem> NextOutgoing();
    virtual void OnTimer() = 0;
    virtual void OnClose() = 0;

    void SetResolvedAddress(uint32_t addressNet) { m_address = addressNet; }
    void SetState(ConnectionState state) { m_state.store(state, std::memory_order_release); }
    const platform::Clock& Clock() const { return *m_clock; }
    uint16_t PortHostOrder() const;

    std::atomic<bool> m_reconnectAllowed{true};

private:
    bool Connect();
    bool ReceivePass();
    bool SendPass();
    void CloseSocket();

    // --- connection thread only (or Stop after the thread ended)
    std::unique_ptr<uint8_t[]> m_recvBuffer;
    size_t m_recvCount = 0;
    std::unique_ptr<uint8_t[]> m_sendBuffer;
    size_t m_sendCount = 0;
    uint32_t m_lastSendProgress = 0;
    uint64_t m_lastTimer = 0;
    platform::TcpSocket m_socket;

    // --- guarded by m_queueLock
    mutable platform::CriticalSection m_queueLock;
    std::deque<std::unique_ptr<OutgoingItem>> m_queue;

    // --- set before Start, read-only while the thread runs
    char m_host[kHostSize] = {};
    uint32_t m_address = 0;  // network order; 0 = resolve again
    uint16_t m_portNet = 0;
    const platform::Clock* m_clock = &platform::Clock::System();
    unsigned m_retryDelayMs = 10000;

    std::atomic<ConnectionState> m_state{ConnectionState::Idle};
};
