// The KelvoSim program: ready line on ephemeral ports, the demo on its
// fixed ports, clean exit on SIGTERM, and clear errors for bad scenarios.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "SimFixture.h"
#include "SimTestClient.h"

using namespace simtest;

namespace {

std::string Program() { return std::string(std::getenv("KELVO_BUILD_DIR")) + "/bin/KelvoSim"; }

// Runs KelvoSim with `args`; stdout and stderr come back through pipes.
struct Process {
    pid_t pid = -1;
    int out = -1, err = -1;
    std::string outText, errText;
    std::string m_line;  // the matched line; `m` points into it

    explicit Process(std::vector<std::string> args) {
        int o[2], e[2];
        EXPECT_EQ(pipe(o), 0);
        EXPECT_EQ(pipe(e), 0);
        pid = fork();
        if (pid == 0) {
            dup2(o[1], 1);
            dup2(e[1], 2);
            close(o[0]);
            close(e[0]);
            std::vector<char*> argv;
            std::string prog = Program();
            argv.push_back(prog.data());
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(prog.c_str(), argv.data());
            _exit(127);
        }
        close(o[1]);
        close(e[1]);
        out = o[0];
        err = e[0];
    }
    ~Process() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(out);
        close(err);
    }
    // Reads stdout until a line matching `re` arrives.
    bool WaitLine(const std::regex& re, std::smatch* m, int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            size_t start = 0, nl;
            while ((nl = outText.find('\n', start)) != std::string::npos) {
                m_line = outText.substr(start, nl - start);
                if (std::regex_search(m_line, *m, re)) return true;
                start = nl + 1;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            ssize_t n = read(out, buf, sizeof buf);
            if (n <= 0) return false;
            outText.append(buf, n);
        }
    }
    // Waits for the exit; returns the status or -1.
    int Wait(int timeoutMs) {
        for (int i = 0; i < timeoutMs / 10; ++i) {
            int st = 0;
            if (waitpid(pid, &st, WNOHANG) == pid) {
                pid = -1;
                char buf[4096];
                ssize_t n;
                while ((n = read(err, buf, sizeof buf)) > 0) errText.append(buf, n);
                while ((n = read(out, buf, sizeof buf)) > 0) outText.append(buf, n);
                return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            }
            poll(nullptr, 0, 10);
        }
        return -1;
    }
};

TEST(KelvoSimProgram, ReadyLineOnEphemeralPortsAndCleanStop) {
    Process p({"--port", "0", "--scenario", DataFile("tiny.json")});
    std::smatch m;
    std::regex ready(R"(^KelvoSim ready central=127\.0\.0\.1:(\d+) relay=127\.0\.0\.1:(\d+) record=127\.0\.0\.1:(\d+) http=127\.0\.0\.1:(\d+)$)");
    ASSERT_TRUE(p.WaitLine(ready, &m, 20000)) << p.outText;
    uint16_t central = static_cast<uint16_t>(std::stoi(m[1]));
    EXPECT_NE(central, 0);
    SimTestClient c;
    ASSERT_TRUE(c.Connect(central));
    ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
    ASSERT_TRUE(c.ReadCommand(0x9004));
    std::regex login("^login demo ok id=\\d+$");
    EXPECT_TRUE(p.WaitLine(login, &m, 5000));
    kill(p.pid, SIGTERM);
    EXPECT_EQ(p.Wait(10000), 0);
    EXPECT_NE(p.outText.find("KelvoSim stopping (SIGTERM)"), std::string::npos);
}

TEST(KelvoSimProgram, BadScenarioAndBadFaultAreClearErrors) {
    std::string file = "/tmp/kelvosim-bad-" + std::to_string(getpid()) + ".json";
    std::ofstream(file) << "{\n  \"accounts\": [],\n  \"cameras\": [{\"key\": \"A\", \"fps\": 0}]\n}\n";
    Process bad({"--scenario", file, "--port", "0"});
    EXPECT_EQ(bad.Wait(10000), 2);
    EXPECT_NE(bad.errText.find(file + ":3: /cameras/0/fps: must be between 1 and 60"), std::string::npos)
        << bad.errText;
    std::remove(file.c_str());
    Process missing({"--scenario", "/nonexistent/x.json"});
    EXPECT_EQ(missing.Wait(10000), 2);
    EXPECT_NE(missing.errText.find("cannot be read"), std::string::npos);
    Process fault({"--port", "0", "--fault", "malformed=sideways"});
    EXPECT_EQ(fault.Wait(10000), 2);
    EXPECT_NE(fault.errText.find("malformed"), std::string::npos);
}

TEST(KelvoSimProgram, PrintsTheDemoScenarioItServes) {
    Process p({"--print-demo"});
    std::smatch m;
    EXPECT_TRUE(p.WaitLine(std::regex("\"user\": \"demo\""), &m, 5000));
    EXPECT_EQ(p.Wait(5000), 0);
}

}  // namespace
