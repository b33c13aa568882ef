#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/Clock.h"

namespace platform {

namespace {

bool WouldBlock(int err) { return err == EAGAIN || err == EWOULDBLOCK; }

sockaddr_in MakeAddress(uint32_t addressNet, uint16_t portNet) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = addressNet;
    sa.sin_port = portNet;
    return sa;
}

}  // namespace

uint32_t ResolveIPv4(const char* host) {
    if (!host || !*host) return 0;
    in_addr direct{};
    if (inet_pton(AF_INET, host, &direct) == 1) return direct.s_addr;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return 0;
    uint32_t address = 0;
    for (addrinfo* ai = result; ai; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in sa;
            std::memcpy(&sa, ai->ai_addr, sizeof sa);
            address = sa.sin_addr.s_addr;
            break;
        }
    }
    freeaddrinfo(result);
    return address;
}

bool TcpSocket::Open() {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_fd.store(fd);
    return fd >= 0;
}

bool TcpSocket::SetNonBlocking() {
    int fd = m_fd.load();
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool TcpSocket::SetKeepAlive(int idleMs, int intervalMs) {
    int fd = m_fd.load();
    int on = 1;
    int idle = idleMs / 1000 > 0 ? idleMs / 1000 : 1;
    int interval = intervalMs / 1000 > 0 ? intervalMs / 1000 : 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0 &&
           ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0 &&
           ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0;
}

bool TcpSocket::Connect(uint32_t addressNet, uint16_t portNet, int timeoutMs,
                        const std::function<bool()>& abort) {
    int fd = m_fd.load();
    sockaddr_in sa = MakeAddress(addressNet, portNet);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return false;
    // Wait in short slices so a stop request does not wait the whole limit.
    const uint64_t deadline = TickMs() + static_cast<uint64_t>(timeoutMs);
    for (;;) {
        if (abort && abort()) {
            errno = EINTR;
            return false;
        }
        uint64_t now = TickMs();
        if (now >= deadline) {
            errno = ETIMEDOUT;
            return false;
        }
        int slice = static_cast<int>(deadline - now < 50 ? deadline - now : 50);
        pollfd pfd{fd, POLLOUT, 0};
        int ready = ::poll(&pfd, 1, slice);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (ready == 0) continue;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
            errno = err;
            return false;
        }
        return true;
    }
}

bool TcpSocket::WaitReady(bool writable, int timeoutMs) {
    pollfd pfd{m_fd.load(), static_cast<short>(POLLIN | (writable ? POLLOUT : 0)), 0};
    int ready;
    do {
        ready = ::poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

IoResult TcpSocket::Recv(uint8_t* data, size_t size) {
    for (;;) {
        ssize_t n = ::recv(m_fd.load(), data, size, 0);
        if (n > 0) return {IoStatus::Ok, static_cast<size_t>(n)};
        if (n == 0) return {IoStatus::Closed, 0};
        if (errno == EINTR) continue;
        return {WouldBlock(errno) ? IoStatus::WouldBlock : IoStatus::Error, 0};
    }
}

IoResult TcpSocket::Send(const uint8_t* data, size_t size) {
    for (;;) {
        ssize_t n = ::send(m_fd.load(), data, size, MSG_NOSIGNAL);
        if (n >= 0) return {IoStatus::Ok, static_cast<size_t>(n)};
        if (errno == EINTR) continue;
        return {WouldBlock(errno) ? IoStatus::WouldBlock : IoStatus::Error, 0};
    }
}

void TcpSocket::ShutdownSend() {
    int fd = m_fd.load();
    if (fd >= 0) ::shutdown(fd, SHUT_WR);
}

void TcpSocket::Close() {
    int fd = m_fd.exchange(-1);
    if (fd >= 0) ::close(fd);
}

bool UdpSocket::Open() {
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0;
}

bool UdpSocket::SendTo(uint32_t addressNet, uint16_t portNet, const uint8_t* data, size_t size) {
    sockaddr_in sa = MakeAddress(addressNet, portNet);
    ssize_t n = ::sendto(m_fd, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return n == static_cast<ssize_t>(size);
}

long UdpSocket::RecvFrom(uint8_t* data, size_t size, int timeoutMs) {
    pollfd pfd{m_fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return -1;
    ssize_t n = ::recv(m_fd, data, size, MSG_TRUNC);
    return n < 0 ? -1 : static_cast<long>(n);
}

void UdpSocket::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
