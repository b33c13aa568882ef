#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool MakeAddress(const std::string& path, sockaddr_un* sa) {
    std::memset(sa, 0, sizeof *sa);
    sa->sun_family = AF_UNIX;
    if (path.size() >= sizeof sa->sun_path) return false;
    std::memcpy(sa->sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string SingleInstance::RuntimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg == '/') return xdg;
    std::string dir = "/tmp/kelvoview-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

SingleInstance::SingleInstance(const std::string& name) {
    const std::string base = RuntimeDir() + "/" + name;
    m_lockPath = base + ".lock";
    m_socketPath = base + ".sock";
}

SingleInstance::~SingleInstance() {
    if (m_listener.joinable()) {
        char byte = 1;
        if (write(m_wakeFd[1], &byte, 1) < 0) {
        }
        m_listener.join();
    }
    for (int fd : m_wakeFd)
        if (fd >= 0) close(fd);
    if (m_listenFd >= 0) {
        close(m_listenFd);
        unlink(m_socketPath.c_str());
    }
    if (m_lockFd >= 0) close(m_lockFd);  // releases the lock
}

bool SingleInstance::Acquire() {
    m_lockFd = open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        m_failed = true;
        return false;
    }
    if (flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        m_alreadyRunning = errno == EWOULDBLOCK;
        m_failed = !m_alreadyRunning;
        close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    return true;
}

bool SingleInstance::Listen(std::function<void()> onRaise) {
    if (m_lockFd < 0) return false;
    sockaddr_un sa;
    if (!MakeAddress(m_socketPath, &sa)) return false;
    unlink(m_socketPath.c_str());  // a dead copy's socket; we hold the lock
    m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || bind(m_listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(m_listenFd, 4) != 0 || pipe2(m_wakeFd, O_CLOEXEC) != 0)
        return false;
    m_onRaise = std::move(onRaise);
    m_listener = std::thread(&SingleInstance::Serve, this);
    return true;
}

void SingleInstance::Serve() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFd[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int peer = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) continue;
        pollfd pfd{peer, POLLIN, 0};
        char request[16] = {};
        if (poll(&pfd, 1, 1000) == 1 && read(peer, request, sizeof request - 1) > 0 &&
            std::strncmp(request, "raise", 5) == 0) {
            if (m_onRaise) m_onRaise();
            if (send(peer, "ok\n", 3, MSG_NOSIGNAL) < 0) {
            }
        }
        close(peer);
    }
}

bool SingleInstance::AskFirstToRaise(int timeoutMs) {
    sockaddr_un sa;
    if (!MakeAddress(m_socketPath, &sa)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool answered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        send(fd, "raise\n", 6, MSG_NOSIGNAL) == 6) {
        pollfd pfd{fd, POLLIN, 0};
        char reply[8] = {};
        answered = poll(&pfd, 1, timeoutMs) == 1 && read(fd, reply, sizeof reply) > 0 &&
                   std::strncmp(reply, "ok", 2) == 0;
    }
    close(fd);
    return answered;
}

}  // namespace platform
