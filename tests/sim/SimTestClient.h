// Blocking loopback client for the simulator's tests: sends raw bytes and
// reads whole packets with a time-out. Also builds the client requests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<uint8_t>;

class SimTestClient {
public:
    SimTestClient() = default;
    ~SimTestClient();
    SimTestClient(const SimTestClient&) = delete;
    SimTestClient& operator=(const SimTestClient&) = delete;

    bool Connect(uint16_t port);
    bool Send(const Bytes& bytes);
    // Next whole packet, or nothing on time-out or close (see Closed()).
    std::optional<Bytes> Read(int timeoutMs = 3000);
    // Next packet with this command, skipping others.
    std::optional<Bytes> ReadCommand(uint32_t command, int timeoutMs = 3000);
    bool Closed() const { return m_closed; }
    // Waits for the server to close the connection.
    bool WaitClosed(int timeoutMs = 3000);
    void Close();
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
    bool m_closed = false;
    Bytes m_buf;
};

// Client requests, written from the client's side with the wire helpers.
Bytes LoginRequest(const std::string& user, const std::string& password, uint32_t version = 0x02000000);
Bytes Heartbeat();
Bytes ListRequest(uint32_t command);
Bytes StreamRequest(const std::string& key, uint16_t flag);
Bytes DeviceMessage(uint32_t kind, uint32_t sender, uint32_t receiver, const std::string& key, const Bytes& payload);
Bytes RelayLogin(const std::string& user, const std::string& password);
Bytes RelayDownload(const std::string& key);
Bytes RelayAudioCtrl(bool on);
Bytes RecordLogin(const std::string& user, const std::string& password);
Bytes RecordQuery(const std::string& key, uint32_t begin, uint32_t end);
Bytes LookupRequest(const std::string& user, const std::string& password);
std::string Digest(const std::string& password);

uint32_t U32(const Bytes& b, size_t off);
uint16_t U16(const Bytes& b, size_t off);
uint16_t U16BE(const Bytes& b, size_t off);
std::string Text(const Bytes& b, size_t off, size_t size);

}  // namespace simtest
