#include "sim/HttpFileServer.h"

#include <httplib.h>

#include <chrono>
#include <stdexcept>

#include "sim/ClipCache.h"
#include "sim/RecordingCatalog.h"
#include "sim/SimLog.h"
#include "sim/SimState.h"

namespace sim {

HttpFileServer::HttpFileServer(const SimState& state, const ClipCache& clip, SimLog& log, Control control)
    : m_state(state), m_clip(clip), m_log(log), m_control(std::move(control)),
      m_server(std::make_unique<httplib::Server>()) {
    m_server->Get(R"(/rec/([A-Za-z0-9_.\-]+)/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
        std::string key = req.matches[1];
        std::string name = req.matches[2];
        const Camera* cam = m_state.Config().FindCamera(key);
        RecordingCatalog::File f{};
        if (!cam || !cam->hasRecordings || !RecordingCatalog::ParseName(name, &f)) {
            res.status = 404;
            m_log.Event("http 404 " + req.path);
            return;
        }
        const std::vector<uint8_t>& bytes = m_clip.Bytes();
        res.set_content(reinterpret_cast<const char*>(bytes.data()), bytes.size(), "video/mp4");
        m_log.Event("http get " + req.path + (req.has_header("Range") ? " range=" + req.get_header_value("Range") : ""));
    });
    m_server->Get("/sim/state", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(m_control.stateJson(), "application/json");
    });
    m_server->Post("/sim/drop", [this](const httplib::Request& req, httplib::Response& res) {
        std::string server = req.get_param_value("server");
        bool ok = m_control.drop(server);
        res.status = ok ? 200 : 400;
        res.set_content(ok ? "dropped\n" : "server must be central, relay, record or all\n", "text/plain");
    });
    m_server->Post("/sim/fault", [this](const httplib::Request& req, httplib::Response& res) {
        // "?set=NAME%3DVALUE" or plainly "?NAME=VALUE&NAME2=VALUE2".
        std::string error;
        if (req.params.empty()) error = "name a fault: ?NAME=VALUE";
        for (const auto& p : req.params) {
            if (!error.empty()) break;
            error = m_control.fault(p.first == "set" ? p.second : p.first + "=" + p.second);
        }
        res.status = error.empty() ? 200 : 400;
        res.set_content(error.empty() ? "ok\n" : error + "\n", "text/plain");
    });
}

HttpFileServer::~HttpFileServer() { Stop(); }

void HttpFileServer::Listen(const std::string& bindAddress, uint16_t port) {
    if (port == 0) {
        int p = m_server->bind_to_any_port(bindAddress.c_str());
        if (p <= 0) throw std::runtime_error("http: cannot listen on " + bindAddress);
        m_port = static_cast<uint16_t>(p);
    } else {
        if (!m_server->bind_to_port(bindAddress.c_str(), port))
            throw std::runtime_error("http: cannot listen on " + bindAddress + ":" + std::to_string(port));
        m_port = port;
    }
}

void HttpFileServer::Start() {
    if (m_thread.joinable()) return;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

void HttpFileServer::Stop() {
    if (!m_thread.joinable()) return;
    // stop() does nothing until the listen loop runs: let it get there.
    for (int i = 0; i < 2000 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server->stop();
    m_thread.join();
}

}  // namespace sim
