// Serves the recorded files that query replies name
// (GET /rec/<camera>/<begin>_<end>.mp4, with Range requests for seeking)
// and a JSON view of the simulator's state (GET /sim/state).
// Thread: Listen/Start/Stop from the controlling thread; cpp-httplib runs
// the handlers on its own threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace sim {

class ClipCache;
class SimLog;
class SimState;

class HttpFileServer {
public:
    // The control path, called on cpp-httplib's threads.
    struct Control {
        std::function<std::string()> stateJson;                // GET /sim/state
        std::function<bool(const std::string&)> drop;          // POST /sim/drop?server=...
        std::function<std::string(const std::string&)> fault; // POST /sim/fault?NAME=VALUE; "" = done
    };

    // Borrowed references must outlive the server.
    HttpFileServer(const SimState& state, const ClipCache& clip, SimLog& log, Control control);
    ~HttpFileServer();

    void Listen(const std::string& bindAddress, uint16_t port);  // throws
    uint16_t Port() const { return m_port; }
    void Start();
    void Stop();

private:
    const SimState& m_state;
    const ClipCache& m_clip;
    SimLog& m_log;
    Control m_control;
    std::unique_ptr<httplib::Server> m_server;
    uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace sim
