#include "tests/support/TestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace testing_support {

namespace {
int MsLeft(std::chrono::steady_clock::time_point end) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
}
}  // namespace

bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

OutputCapture::OutputCapture() {
    platform::SetOutputSink([this](platform::OutputChannel, const std::string& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    });
}

OutputCapture::~OutputCapture() { platform::SetOutputSink(nullptr); }

std::vector<std::string> OutputCapture::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool OutputCapture::Contains(const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& l : m_lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

PeerConnection::~PeerConnection() { Close(); }

void PeerConnection::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool PeerConnection::Send(const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool PeerConnection::ReadExact(size_t n, Bytes* out, int timeoutMs) {
    out->assign(n, 0);
    size_t got = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < n) {
        int left = MsLeft(end);
        if (left <= 0) return false;
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, left) <= 0) return false;
        ssize_t r = ::recv(m_fd, out->data() + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

bool PeerConnection::ReadPacket(Bytes* out, int timeoutMs) {
    Bytes head;
    if (!ReadExact(4, &head, timeoutMs)) return false;
    uint32_t length = GetLe32(head, 0);
    if (length < 4 || length > 64 * 1024 * 1024) return false;
    Bytes rest;
    if (!ReadExact(length - 4, &rest, timeoutMs)) return false;
    *out = head;
    out->insert(out->end(), rest.begin(), rest.end());
    return true;
}

bool PeerConnection::ReadCommand(uint32_t command, Bytes* out, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int left = MsLeft(end);
        if (left <= 0 || !ReadPacket(out, left)) return false;
        if (out->size() >= 8 && GetLe32(*out, 4) == command) return true;
    }
}

bool PeerConnection::WaitClosed(int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t scratch[65536];
    for (;;) {
        int left = MsLeft(end);
        if (left <= 0) return false;
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, left) <= 0) return false;
        ssize_t r = ::recv(m_fd, scratch, sizeof scratch, 0);
        if (r <= 0) return true;
    }
}

LoopbackServer::LoopbackServer() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(m_fd, 16);
    socklen_t len = sizeof sa;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len);
    m_port = ntohs(sa.sin_port);
}

LoopbackServer::~LoopbackServer() { Close(); }

void LoopbackServer::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::unique_ptr<PeerConnection> LoopbackServer::Accept(int timeoutMs) {
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return nullptr;
    int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return nullptr;
    ++m_accepted;
    return std::make_unique<PeerConnection>(fd);
}

LoopbackUdp::LoopbackUdp() {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len);
    m_port = ntohs(sa.sin_port);
}

LoopbackUdp::~LoopbackUdp() {
    if (m_fd >= 0) ::close(m_fd);
}

long LoopbackUdp::Receive(Bytes* out, int timeoutMs) {
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0) return -1;
    out->assign(2048, 0);
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(m_fd, out->data(), out->size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return -1;
    out->resize(static_cast<size_t>(n));
    m_lastAddr = from.sin_addr.s_addr;
    m_lastPort = from.sin_port;
    return n;
}

bool LoopbackUdp::Reply(const Bytes& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = m_lastAddr;
    to.sin_port = m_lastPort;
    return ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(bytes.size());
}

uint16_t UnusedPort() {
    // Bind, read the port, close: nothing listens there afterwards.
    LoopbackServer probe;
    return probe.Port();
}

Bytes Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

void PutLe32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutLe16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutStr(Bytes& b, size_t at, const std::string& s) { std::memcpy(&b[at], s.data(), s.size()); }

uint32_t GetLe32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t GetLe16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

Bytes Packet(uint32_t length, uint32_t command) {
    Bytes b(length, 0);
    PutLe32(b, 0, length);
    if (length >= 8) PutLe32(b, 4, command);
    return b;
}

}  // namespace testing_support
