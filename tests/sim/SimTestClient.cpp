#include "SimTestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <chrono>
#include <cstdio>

#include "common/WireFormat.h"

namespace simtest {

SimTestClient::~SimTestClient() { Close(); }

void SimTestClient::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool SimTestClient::Connect(uint16_t port) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_closed = false;
    m_buf.clear();
    return ::connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool SimTestClient::Send(const Bytes& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = ::send(m_fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

std::optional<Bytes> SimTestClient::Read(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (m_buf.size() >= 4) {
            uint32_t len = wire::GetU32(m_buf.data());
            if (len < 4) return std::nullopt;  // tests check framing themselves
            if (m_buf.size() >= len) {
                Bytes pkt(m_buf.begin(), m_buf.begin() + len);
                m_buf.erase(m_buf.begin(), m_buf.begin() + len);
                return pkt;
            }
        }
        if (m_closed) return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        uint8_t chunk[65536];
        ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            m_closed = true;
            continue;
        }
        m_buf.insert(m_buf.end(), chunk, chunk + n);
    }
}

std::optional<Bytes> SimTestClient::ReadCommand(uint32_t command, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto p = Read(static_cast<int>(left.count()));
        if (!p) return std::nullopt;
        if (p->size() >= 8 && U32(*p, 4) == command) return p;
    }
}

bool SimTestClient::WaitClosed(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_closed) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        uint8_t chunk[65536];
        ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) m_closed = true;
    }
    return true;
}

namespace {
Bytes Packet(uint32_t cmd, size_t len) {
    Bytes b(len, 0);
    wire::PutU32(b.data(), static_cast<uint32_t>(len));
    wire::PutU32(b.data() + 4, cmd);
    return b;
}
}  // namespace

std::string Digest(const std::string& password) {
    std::string s = "QWMbaN:" + password;
    unsigned char md[16];
    unsigned int n = 0;
    EVP_Digest(s.data(), s.size(), md, &n, EVP_md5(), nullptr);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02X", md[i]);
    return std::string(hex, 32);
}

Bytes LoginRequest(const std::string& user, const std::string& password, uint32_t version) {
    Bytes b = Packet(0x9002, 96);
    wire::PutU32(&b[8], version);
    wire::PutU32(&b[12], 3);
    wire::PutText(&b[16], 36, user.c_str());
    wire::PutText(&b[52], 36, Digest(password).c_str());
    return b;
}

Bytes Heartbeat() { return Packet(0x102C, 24); }
Bytes ListRequest(uint32_t command) { return Packet(command, 44); }

Bytes StreamRequest(const std::string& key, uint16_t flag) {
    Bytes b = Packet(0x400A, 56);
    wire::PutText(&b[8], 36, key.c_str());
    wire::PutU16(&b[48], flag);
    return b;
}

Bytes DeviceMessage(uint32_t kind, uint32_t sender, uint32_t receiver, const std::string& key, const Bytes& payload) {
    Bytes b = Packet(0x400E, 64 + payload.size());
    wire::PutU32(&b[8], kind);
    wire::PutU32(&b[12], sender);
    wire::PutU32(&b[16], receiver);
    wire::PutU32(&b[20], kind);
    wire::PutText(&b[24], 36, key.c_str());
    wire::PutU32(&b[60], static_cast<uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), b.begin() + 64);
    return b;
}

Bytes RelayLogin(const std::string& user, const std::string& password) {
    Bytes b = Packet(0x1001, 84);
    wire::PutU32(&b[8], 0x2001);
    wire::PutText(&b[12], 36, user.c_str());
    wire::PutText(&b[48], 36, password.c_str());
    return b;
}

Bytes RelayDownload(const std::string& key) {
    Bytes b = Packet(0x1009, 136);
    wire::PutText(&b[8], 128, key.c_str());
    return b;
}

Bytes RelayAudioCtrl(bool on) {
    Bytes b = Packet(0x1012, 16);
    wire::PutU32(&b[8], 1);
    wire::PutU32(&b[12], on ? 1 : 0);
    return b;
}

Bytes RecordLogin(const std::string& user, const std::string& password) {
    Bytes b = Packet(0x1002, 116);
    wire::PutU32(&b[8], 0x2001);
    wire::PutText(&b[12], 36, user.c_str());
    wire::PutText(&b[48], 36, password.c_str());
    return b;
}

Bytes RecordQuery(const std::string& key, uint32_t begin, uint32_t end) {
    Bytes b = Packet(0x1012, 52);
    wire::PutU32(&b[8], begin);
    wire::PutU32(&b[12], end);
    wire::PutText(&b[16], 36, key.c_str());
    return b;
}

Bytes LookupRequest(const std::string& user, const std::string& password) {
    Bytes b(80, 0);
    wire::PutU32(&b[0], 80);
    wire::PutU32(&b[4], 0x3002);
    wire::PutText(&b[8], 36, user.c_str());
    wire::PutText(&b[44], 36, Digest(password).c_str());
    return b;
}

uint32_t U32(const Bytes& b, size_t off) { return off + 4 <= b.size() ? wire::GetU32(&b[off]) : 0xDEADBEEF; }
uint16_t U16(const Bytes& b, size_t off) { return off + 2 <= b.size() ? wire::GetU16(&b[off]) : 0xDEAD; }
uint16_t U16BE(const Bytes& b, size_t off) { return off + 2 <= b.size() ? wire::GetU16BE(&b[off]) : 0xDEAD; }
std::string Text(const Bytes& b, size_t off, size_t size) {
    return off + size <= b.size() ? wire::GetText(&b[off], size) : std::string("<out of range>");
}

}  // namespace simtest
