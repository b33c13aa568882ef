#include "sim/CentralServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "common/Protocol.h"
#include "common/WireFormat.h"
#include "sim/CentralPeer.h"
#include "sim/PacketWriter.h"
#include "sim/PasswordDigest.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

CentralServer::CentralServer(SimState& state, SimLog& log, Endpoints endpoints)
    : m_state(state), m_log(log), m_endpoints(std::move(endpoints)) {
    MakeTcp();
}

CentralServer::~CentralServer() { m_tcp->Stop(); }

void CentralServer::MakeTcp() {
    m_tcp = std::make_unique<TcpServer>("central", m_log, [this] { return std::make_unique<CentralPeer>(*this); });
    m_tcp->SetOutputLimit(4u << 20);
    m_tcp->SetPollMs(20);
    m_tcp->SetDropAfterSeconds(m_state.Config().faults.dropAfterSeconds);
}

void CentralServer::Listen(const std::string& bindAddress, uint16_t port) {
    // An ephemeral TCP port may be taken for UDP: try a few.
    for (int attempt = 0;; ++attempt) {
        m_tcp->Listen(bindAddress, port);
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(m_tcp->Port());
        inet_pton(AF_INET, bindAddress.c_str(), &addr.sin_addr);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            m_tcp->AddDatagram(fd, [this](int f) { OnLookup(f); });
            return;
        }
        std::string why = strerror(errno);
        if (fd >= 0) ::close(fd);
        if (port != 0 || attempt >= 20)
            throw std::runtime_error("central: cannot bind UDP port " + std::to_string(m_tcp->Port()) + ": " + why);
        MakeTcp();
    }
}

int CentralServer::CheckCredentials(const std::string& user, const std::string& digest,
                                    const Account** account) const {
    const Scenario& sc = m_state.Config();
    const Account* a = sc.FindAccount(user);
    if (account) *account = a;
    if (int forced = m_state.CurrentFaults().refuseLogins) return forced;
    if (!a || PasswordDigest::Of(a->password) != digest) return 7;
    if (a->forcedResult) return a->forcedResult;
    return 0;
}

void CentralServer::OnLookup(int fd) {
    uint8_t buf[512];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return;
    char ip[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
    std::string remote = std::string(ip) + ":" + std::to_string(ntohs(from.sin_port));
    if (static_cast<size_t>(n) != proto::kLookupReqSize || wire::GetU32(buf + 4) != proto::kLookupReq) {
        m_log.Event("lookup ignored " + std::to_string(n) + " bytes from " + remote);
        return;
    }
    std::string user = wire::GetText(buf + 8, proto::kTextField);
    std::string digest = wire::GetText(buf + 44, proto::kTextField);
    int result = CheckCredentials(user, digest, nullptr);
    const Faults f = m_state.CurrentFaults();
    if (f.silentLookup) {
        m_log.Event("lookup " + user + " unanswered (fault)");
        return;
    }
    uint8_t reply[proto::kLookupReplySize] = {};
    wire::PutU32(reply, proto::kLookupReplySize);
    wire::PutU32(reply + 4, proto::kLookupReq + 2);
    wire::PutU16(reply + 8, static_cast<uint16_t>(result));
    wire::PutText(reply + 16, proto::kLookupHostField, m_state.Config().lookupHost.c_str());
    wire::PutU16(reply + 48, m_tcp->Port());
    size_t size = f.malformed == "lookup-short" ? sizeof reply - 1 : sizeof reply;
    ::sendto(fd, reply, size, 0, reinterpret_cast<sockaddr*>(&from), len);
    m_log.Event("lookup " + user + " result=" + std::to_string(result) + " port=" + std::to_string(m_tcp->Port()));
}

std::vector<uint8_t> CentralServer::NodeListReply() const {
    std::vector<Node> nodes = m_state.Config().nodes;
    if (m_state.CurrentFaults().malformed == "central-emptynode") nodes.push_back(Node{"", "", "", "", ""});
    PacketWriter w(proto::kNodeListResp, 12 + proto::kNodeRecordSize * nodes.size());
    w.U32(8, static_cast<uint32_t>(nodes.size()));
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t o = 12 + proto::kNodeRecordSize * i;
        w.U32(o, static_cast<uint32_t>(i + 1));
        w.Text(o + 4, 36, nodes[i].key);
        w.Text(o + 40, 36, nodes[i].name);
        w.Text(o + 76, 36, nodes[i].parent);
        w.Text(o + 112, 16, nodes[i].textA);
        w.Text(o + 128, 16, nodes[i].textB);
    }
    return w.Take();
}

std::vector<std::vector<uint8_t>> CentralServer::CameraListReplies() const {
    const Scenario& sc = m_state.Config();
    std::vector<std::vector<uint8_t>> out;
    size_t per = static_cast<size_t>(sc.camerasPerReply);
    for (size_t start = 0; start < sc.cameras.size() || start == 0; start += per) {
        size_t count = std::min(per, sc.cameras.size() - start);
        PacketWriter w(proto::kCameraListResp, 12 + proto::kCameraRecordSize * count);
        w.U32(8, static_cast<uint32_t>(count));
        for (size_t i = 0; i < count; ++i) {
            const Camera& c = sc.cameras[start + i];
            size_t o = 12 + proto::kCameraRecordSize * i;
            w.U32(o, static_cast<uint32_t>(start + i + 1));
            w.U32(o + 4, c.online ? 1 : 0);
            w.U32(o + 8, c.device);
            w.Text(o + 12, 36, c.key);
            w.Text(o + 48, 36, c.name);
            w.Text(o + 84, 36, c.node);
            w.Text(o + 120, 16, c.textA);
            w.Text(o + 136, 20, c.textB);
            auto host = m_endpoints.relayHost.find(c.relay);
            w.Text(o + 156, 32, host == m_endpoints.relayHost.end() ? "" : host->second);
            auto rec = m_endpoints.recordPort.find(c.record);
            w.U16(o + 188, static_cast<uint16_t>(rec == m_endpoints.recordPort.end() ? 0 : rec->second - 2));
            auto relay = m_endpoints.relayPort.find(c.relay);
            w.U16(o + 192, relay == m_endpoints.relayPort.end() ? 0 : relay->second);
        }
        out.push_back(w.Take());
        if (sc.cameras.empty()) break;
    }
    return out;
}

}  // namespace sim
