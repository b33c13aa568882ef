#include "StallServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace avtest {

StallServer::StallServer(std::string greeting) : m_greeting(std::move(greeting)) {
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(m_listen, 8) != 0 || getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        pipe(m_wake) != 0)
        return;
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Run(); });
}

StallServer::~StallServer() {
    if (m_thread.joinable()) {
        char c = 0;
        if (write(m_wake[1], &c, 1) != 1) {}
        m_thread.join();
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]})
        if (fd >= 0) close(fd);
}

void StallServer::Run() {
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) break;
        if (fds[1].revents) break;
        int c = accept(m_listen, nullptr, nullptr);
        if (c < 0) continue;
        size_t sent = 0;
        while (sent < m_greeting.size()) {
            ssize_t n = send(c, m_greeting.data() + sent, m_greeting.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        m_clients.push_back(c);
        ++m_accepted;
    }
    for (int c : m_clients) close(c);
}

}  // namespace avtest
