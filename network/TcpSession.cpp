#include "network/TcpSession.h"

#include <arpa/inet.h>

#include <cstring>
#include <new>

#include "platform/DebugOutput.h"

TcpSession::TcpSession()
    : m_recvBuffer(new uint8_t[kBufferSize]), m_sendBuffer(new uint8_t[kBufferSize]) {}

TcpSession::~TcpSession() {
    ClearOutgoing();
    CThread::Stop();
}

void TcpSession::SetServer(const char* host, uint16_t port) {
    std::memset(m_host, 0, sizeof m_host);
    if (host) std::strncpy(m_host, host, sizeof m_host - 1);
    m_address = 0;
    m_portNet = htons(port);
}

uint16_t TcpSession::PortHostOrder() const { return ntohs(m_portNet); }

bool TcpSession::PostPacket(const uint8_t* data, size_t length) {
    auto item = std::make_unique<OutgoingItem>();
    try {
        item->data.assign(data, data + length);
    } catch (const std::bad_alloc&) {
        platform::ConsoleTrace("new m_pData = NULL !!!\r\n");
        item->data.clear();
    }
    platform::ScopedLock lock(m_queueLock);
    m_queue.push_back(std::move(item));
    return true;
}

void TcpSession::ClearOutgoing() {
    std::deque<std::unique_ptr<OutgoingItem>> dropped;
    {
        platform::ScopedLock lock(m_queueLock);
        dropped.swap(m_queue);
    }
}

size_t TcpSession::OutgoingCount() const {
    platform::ScopedLock lock(m_queueLock);
    return m_queue.size();
}

std::unique_ptr<OutgoingItem> TcpSession::NextOutgoing() {
    platform::ScopedLock lock(m_queueLock);
    if (m_queue.empty()) return nullptr;
    std::unique_ptr<OutgoingItem> item = std::move(m_queue.front());
    m_queue.pop_front();
    return item;
}

bool TcpSession::OnConnect(bool) { return true; }

void TcpSession::CloseSocket() {
    if (m_socket.IsOpen()) {
        platform::ConsoleTrace("socketclose %d \r\n", m_socket.Fd());
        m_socket.Close();
    }
}

void TcpSession::Close() {
    SetState(ConnectionState::Disconnected);
    CloseSocket();
    m_recvCount = 0;
    m_sendCount = 0;
    ClearOutgoing();
    OnClose();
}

void TcpSession::Stop() {
    m_socket.ShutdownSend();
    CThread::Stop();
    // An abandoned thread still owns the socket and buffers.
    if (!IsAbandoned()) Close();
}

bool TcpSession::Connect() {
    if (m_address == 0) return false;
    platform::DebugTrace("TcpSessionST Connect");
    if (!m_socket.Open()) {
        SetState(ConnectionState::Disconnected);
        platform::DebugTrace("tcpsession connect failed, %s:%d!", m_host, PortHostOrder());
        return false;
    }
    if (m_socket.SetNonBlocking()) m_socket.SetKeepAlive(15000, 3000);
    platform::DebugTrace("tcpsession connect , %s:%d!", m_host, PortHostOrder());
    if (!m_socket.Connect(m_address, m_portNet, kConnectTimeoutMs,
                          [this] { return StopRequested(); })) {
        SetState(ConnectionState::Disconnected);
        platform::DebugTrace("tcpsession connect failed, %s:%d!", m_host, PortHostOrder());
        return false;
    }
    SetState(ConnectionState::Connected);
    m_lastSendProgress = m_clock->NowSeconds();
    OnConnect(true);
    if (m_socket.SetNonBlocking()) m_socket.SetKeepAlive(15000, 3000);
    return true;
}

bool TcpSession::ReceivePass() {
    // Drains what the socket holds (a bounded number of reads), so one
    // 20 ms pass is not limited to one buffer's worth of bytes.
    for (int read = 0; read < kReadsPerPass; ++read) {
        if (m_recvCount >= kBufferSize) return false;
        platform::IoResult r =
            m_socket.Recv(m_recvBuffer.get() + m_recvCount, kBufferSize - m_recvCount);
        if (r.status == platform::IoStatus::WouldBlock) return true;
        if (r.status != platform::IoStatus::Ok) return false;
        m_recvCount += r.bytes;
        size_t consumed = 0;
        if (!OnReceive(m_recvBuffer.get(), m_recvCount, &consumed)) {
            m_reconnectAllowed = false;
            return false;
        }
        // A handler may have closed the connection.
        if (m_recvCount == 0 || State() != ConnectionState::Connected) return true;
        if (consumed > m_recvCount) consumed = m_recvCount;
        if (consumed > 0) {
            std::memmove(m_recvBuffer.get(), m_recvBuffer.get() + consumed, m_recvCount - consumed);
            m_recvCount -= consumed;
        }
        if (StopRequested()) return true;
    }
    return true;
}

bool TcpSession::SendPass() {
    const uint32_t now = m_clock->NowSeconds();
    if (m_sendCount > 0) {
        platform::IoResult r = m_socket.Send(m_sendBuffer.get(), m_sendCount);
        if (r.status == platform::IoStatus::Ok) {
            std::memmove(m_sendBuffer.get(), m_sendBuffer.get() + r.bytes, m_sendCount - r.bytes);
            m_sendCount -= r.bytes;
            m_lastSendProgress = now;
        } else if (r.status == platform::IoStatus::WouldBlock) {
            if (now - m_lastSendProgress > kStallLimitSeconds) return false;
        } else {
            return false;
        }
        if (m_sendCount > 0) return true;
    } else {
        m_lastSendProgress = now;
    }

    while (!StopRequested()) {
        std::unique_ptr<OutgoingItem> item = NextOutgoing();
        if (!item) return true;
        const std::vector<uint8_t>& packet = item->data;
        if (packet.empty()) continue;
        platform::IoResult r = m_socket.Send(packet.data(), packet.size());
        size_t sent = 0;
        if (r.status == platform::IoStatus::Ok) {
            sent = r.bytes;
            m_lastSendProgress = now;
        } else if (r.status != platform::IoStatus::WouldBlock) {
            return false;
        }
        size_t tail = packet.size() - sent;
        if (tail > kBufferSize) return false;
        if (tail > 0) {
            std::memcpy(m_sendBuffer.get(), packet.data() + sent, tail);
            m_sendCount = tail;
            return true;
        }
    }
    return true;
}

int TcpSession::Run() {
    platform::DebugTrace("TcpSessionST thread start");
    while (!StopRequested()) {
        const bool wasConnected = State() == ConnectionState::Connected;
        if (!wasConnected) {
            if (m_address == 0) m_address = platform::ResolveIPv4(m_host);
            if (!Connect()) {
                if (OnConnect(false)) {
                    SleepUnlessStopped(m_retryDelayMs);
                    continue;
                }
                ClearOutgoing();
                m_socket.Close();
                return 0;
            }
            if (State() != ConnectionState::Connected) {
                SleepUnlessStopped(kPollMs);
                continue;
            }
        }
        if (!ReceivePass() || !SendPass()) Close();
        // Up to one poll interval, but woken by arriving bytes (or by room
        // for a pending tail), so data waits no pass-length in the socket.
        if (State() == ConnectionState::Connected)
            m_socket.WaitReady(m_sendCount > 0, static_cast<int>(kPollMs));
        else
            platform::SleepMs(kPollMs);
        // The timer keeps its cadence however often data wakes the loop.
        const uint64_t now = platform::TickMs();
        if (wasConnected && now - m_lastTimer >= kPollMs) {
            m_lastTimer = now;
            OnTimer();
        }
    }
    m_socket.Close();
    platform::DebugTrace("TcpSessionST thread exit");
    return 0;
}
