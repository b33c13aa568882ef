#include "sim/Peer.h"

#include <sys/socket.h>

#include <cerrno>

namespace sim {

void Peer::Attach(int fd, std::string remote, int64_t nowMs, size_t outLimit) {
    m_fd = fd;
    m_remote = std::move(remote);
    m_openedMs = nowMs;
    m_outLimit = outLimit;
}

bool Peer::Send(const uint8_t* data, size_t size) {
    if (m_closeNow || size > Room()) return false;
    if (m_outHead > 0 && m_outHead >= m_out.size() / 2) {
        m_out.erase(m_out.begin(), m_out.begin() + static_cast<std::ptrdiff_t>(m_outHead));
        m_outHead = 0;
    }
    m_out.insert(m_out.end(), data, data + size);
    return true;
}

bool Peer::Flush() {
    while (Queued() > 0) {
        ssize_t n = ::send(m_fd, m_out.data() + m_outHead, Queued(), MSG_NOSIGNAL);
        if (n > 0) {
            m_outHead += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return false;
    }
    if (Queued() == 0) {
        m_out.clear();
        m_outHead = 0;
    }
    return true;
}

}  // namespace sim
