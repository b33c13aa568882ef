// Drives the record window headless: a form that records its message boxes instead of running
// them modally, a simulator whose camera T2 keeps one short recording a minute, and a loopback
// listener that accepts connections and never answers.
#pragma once

#include "../duilib/UiTestSupport.h"
#include "CDateTimeUI.h"
#include "RecordQueryForm.h"
#include "VideoPlayerUI.h"
#include "platform/Event.h"
#include "tests/sim/SimProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace recordtest {

class TestForm : public kelvo::RecordQueryForm {
public:
    std::vector<std::pair<std::string, std::string>> alerts;  // text, caption (GBK)

protected:
    void ShowAlert(const char* text, const char* caption) override { alerts.emplace_back(text, caption); }
};

// Listens on 127.0.0.1 without ever accepting: connections succeed and then hear nothing.
class SilentListener {
public:
    SilentListener() {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(m_fd, 8) == 0 &&
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            m_port = ntohs(a.sin_port);
    }
    ~SilentListener() {
        if (m_fd >= 0) close(m_fd);
    }
    int Port() const { return m_port; }
    // True once a connection waits to be accepted (the client is now waiting for an answer).
    bool HasPending(int timeoutMs) const {
        pollfd p{m_fd, POLLIN, 0};
        return poll(&p, 1, timeoutMs) == 1;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

// The simulator program with tests/recordform/data/record.json on ephemeral ports.
inline simtest::SimProcess* MakeSim() {
    const char* src = std::getenv("KELVO_SOURCE_DIR");
    auto* sim = new simtest::SimProcess(std::vector<std::string>{
        "--scenario", std::string(src ? src : ".") + "/tests/recordform/data/record.json", "--port", "0",
        "--cache-dir", "/tmp/kelvosim-test-cache-" + std::to_string(getuid())});
    if (!sim->WaitReady(60000) || sim->records.empty()) {
        delete sim;
        return nullptr;
    }
    return sim;
}

inline DuiLib::TDateTime LocalTime(time_t t) {
    struct tm tmv {};
    localtime_r(&t, &tmv);
    DuiLib::TDateTime v;
    v.year = tmv.tm_year + 1900;
    v.month = tmv.tm_mon + 1;
    v.day = tmv.tm_mday;
    v.hour = tmv.tm_hour;
    v.minute = tmv.tm_min;
    v.second = tmv.tm_sec;
    return v;
}

}  // namespace recordtest

namespace recordtest {

// A player whose files never end (until stopped), counting what it is asked.
class FakePlayer : public kelvo::RecordPlayer {
public:
    std::atomic<int> opens{0}, stops{0};
    bool Open(const std::string&) override {
        ++opens;
        return !m_stopped.load();
    }
    bool Play() override { return true; }
    void Pause() override {}
    void Resume() override {}
    void Seek(double) override {}
    double GetCurrentDuration() const override { return 0; }
    bool WaitCompletion(int ms) override { return m_stopped.load() || m_stop.Wait(ms); }
    void Stop() override {
        ++stops;
        m_stopped = true;
        m_stop.Set();
    }
    void Close() override {
        m_stopped = false;
        m_stop.Reset();
    }
    uint64_t PictureCount() const override { return 0; }
    bool CopyPicture(kelvo::PlayerPicture*) const override { return false; }

private:
    std::atomic<bool> m_stopped{false};
    platform::Event m_stop{true, false};
};

// A player stuck in its first open whatever Stop says, as a hung library would be, until
// the test lets it go.
class HungPlayer : public FakePlayer {
public:
    platform::Event entered{true, false};
    platform::Event release{true, false};
    bool Open(const std::string& url) override {
        entered.Set();
        release.Wait(30000);
        return FakePlayer::Open(url);
    }
};

inline std::shared_ptr<kelvo::RecordPlayer> MakeFakePlayer(SDL_Window*) { return std::make_shared<FakePlayer>(); }

}  // namespace recordtest
