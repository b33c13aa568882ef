// Thin POSIX socket wrappers: the only place the library touches the
// socket API. errno is classified here, once.
// Thread: a socket belongs to one thread, except ShutdownSend, which any
// thread may call to wake a peer while the owner still runs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

enum class IoStatus { Ok, WouldBlock, Closed, Error };

struct IoResult {
    IoStatus status;
    size_t bytes;
};

// First IPv4 address of a host name or dotted address, in network order;
// 0 when the lookup fails.
uint32_t ResolveIPv4(const char* host);

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket() { Close(); }
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    bool Open();
    bool IsOpen() const { return m_fd.load() >= 0; }
    int Fd() const { return m_fd.load(); }
    bool SetNonBlocking();
    // TCP keep-alive: first probe after idleMs, then every intervalMs.
    bool SetKeepAlive(int idleMs, int intervalMs);

    // Starts a connect and waits until the socket is writable, at most
    // timeoutMs. `abort` is polled every few milliseconds; returning true
    // ends the wait as a failure. True when connected.
    bool Connect(uint32_t addressNet, uint16_t portNet, int timeoutMs,
                 const std::function<bool()>& abort);

    // Waits up to timeoutMs until the socket is readable (or writable, when
    // asked); true when it is ready or has an error to report.
    bool WaitReady(bool writable, int timeoutMs);

    IoResult Recv(uint8_t* data, size_t size);
    // Never raises SIGPIPE.
    IoResult Send(const uint8_t* data, size_t size);
    void ShutdownSend();
    void Close();

private:
    std::atomic<int> m_fd{-1};
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { Close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool Open();
    bool SendTo(uint32_t addressNet, uint16_t portNet, const uint8_t* data, size_t size);
    // Waits up to timeoutMs for one datagram; returns its full size (only
    // the first `size` bytes are stored), or -1 on time-out or error.
    long RecvFrom(uint8_t* data, size_t size, int timeoutMs);
    void Close();

private:
    int m_fd = -1;
};

}  // namespace platform
