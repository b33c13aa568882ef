#include "sim/TcpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "sim/PacketCutter.h"
#include "sim/SimLog.h"
#include "common/Protocol.h"

namespace sim {

int64_t TcpServer::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TcpServer::TcpServer(std::string name, SimLog& log, Factory factory)
    : m_name(std::move(name)), m_log(log), m_factory(std::move(factory)),
      m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TcpServer::~TcpServer() {
    Stop();
    if (m_listenFd >= 0) ::close(m_listenFd);
    if (m_wakeFd >= 0) ::close(m_wakeFd);
    for (auto& d : m_datagrams) ::close(d.first);
}

void TcpServer::Listen(const std::string& bindAddress, uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, bindAddress.c_str(), &addr.sin_addr) != 1)
        throw std::runtime_error(m_name + ": bad bind address " + bindAddress);
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error(m_name + ": socket: " + strerror(errno));
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 512) < 0) {
        std::string why = strerror(errno);
        ::close(fd);
        throw std::runtime_error(m_name + ": cannot listen on " + bindAddress + ":" + std::to_string(port) +
                                 ": " + why);
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_listenFd = fd;
}

void TcpServer::AddDatagram(int fd, std::function<void(int)> onReadable) {
    m_datagrams.emplace_back(fd, std::move(onReadable));
}

void TcpServer::Start() {
    if (m_thread.joinable()) return;
    m_stop = false;
    m_thread = std::thread([this] { Loop(); });
}

void TcpServer::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof one) < 0) { /* the poll time-out ends the loop anyway */ }
    m_thread.join();
}

void TcpServer::DropAll() {
    m_dropAll = true;
    uint64_t one = 1;
    if (m_wakeFd >= 0 && ::write(m_wakeFd, &one, sizeof one) < 0) { /* the next poll time-out sees it */ }
}

void TcpServer::AcceptAll(int64_t now) {
    for (int i = 0; i < 256; ++i) {
        sockaddr_in from{};
        socklen_t len = sizeof from;
        int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        char ip[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
        std::string remote = std::string(ip) + ":" + std::to_string(ntohs(from.sin_port));
        if (m_peers.size() >= m_maxPeers) {
            m_log.Event(m_name + " refuse " + remote + " (too many connections)");
            ::close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Entry e{m_factory()};
        e.peer->Attach(fd, remote, now, m_outLimit);
        m_log.Event(m_name + " connect " + remote);
        m_peers.push_back(std::move(e));
        m_peerCount = m_peers.size();
        m_peers.back().peer->OnOpen();
    }
}

void TcpServer::ReadFrom(Peer& peer) {
    std::vector<uint8_t>& in = peer.Input();
    uint8_t chunk[65536];
    size_t room = proto::kMaxPacket - in.size();
    ssize_t n = ::recv(peer.Fd(), chunk, std::min(room, sizeof chunk), 0);
    if (n == 0) {
        peer.CloseNow();
        return;
    }
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) peer.CloseNow();
        return;
    }
    in.insert(in.end(), chunk, chunk + n);
    PacketCutter::Result r = PacketCutter::Cut(
        in.data(), in.size(), [&](uint32_t cmd, const uint8_t* p, size_t len) {
            if (!peer.WantsClose()) peer.OnPacket(cmd, p, len);
        });
    if (r.framingError) {
        m_log.Event(m_name + " framing error from " + peer.Remote());
        peer.CloseNow();
        return;
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(r.consumed));
}

void TcpServer::ClosePeer(size_t index, const char* why) {
    Peer& p = *m_peers[index].peer;
    p.OnClosed();
    ::close(p.Fd());
    m_log.Event(m_name + " close " + p.Remote() + " (" + why + ")");
    m_peers.erase(m_peers.begin() + static_cast<std::ptrdiff_t>(index));
    m_peerCount = m_peers.size();
}

void TcpServer::Loop() {
    std::vector<pollfd> fds;
    while (!m_stop) {
        fds.clear();
        fds.push_back({m_wakeFd, POLLIN, 0});
        fds.push_back({m_listenFd, POLLIN, 0});
        for (auto& d : m_datagrams) fds.push_back({d.first, POLLIN, 0});
        size_t first = fds.size();
        for (auto& e : m_peers) {
            short ev = POLLIN;
            if (e.peer->Queued() > 0) ev |= POLLOUT;
            fds.push_back({e.peer->Fd(), ev, 0});
        }
        int rc = ::poll(fds.data(), fds.size(), m_pollMs);
        if (rc < 0 && errno != EINTR) break;
        int64_t now = NowMs();
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            if (::read(m_wakeFd, &count, sizeof count) < 0) { /* nothing pending */ }
        }
        if (m_dropAll.exchange(false)) {
            while (!m_peers.empty()) ClosePeer(m_peers.size() - 1, "dropped by control");
            continue;
        }
        if (fds[1].revents & POLLIN) AcceptAll(now);
        for (size_t i = 0; i < m_datagrams.size(); ++i)
            if (fds[2 + i].revents & POLLIN) m_datagrams[i].second(m_datagrams[i].first);
        // Peers accepted in this pass have no pollfd yet; they wait for the next.
        size_t polled = fds.size() - first;
        for (size_t i = 0; i < polled && i < m_peers.size(); ++i) {
            if (fds[first + i].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*m_peers[i].peer);
        }
        for (size_t i = m_peers.size(); i-- > 0;) {
            Peer& p = *m_peers[i].peer;
            if (!p.WantsClose()) p.OnTick(now);
            if (m_dropAfterMs > 0 && now - p.OpenedMs() >= m_dropAfterMs) {
                ClosePeer(i, "fault: drop after time");
                continue;
            }
            if (!p.Flush()) {
                ClosePeer(i, "send failed");
                continue;
            }
            if (p.WantsClose()) ClosePeer(i, "closed");
        }
    }
    while (!m_peers.empty()) ClosePeer(m_peers.size() - 1, "shutdown");
}

}  // namespace sim
