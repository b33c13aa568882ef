// KelvoSim: the cloud service on one machine.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>

#include "sim/DemoScenario.h"
#include "sim/FaultSwitches.h"
#include "sim/Scenario.h"
#include "sim/Simulator.h"

int main(int argc, char** argv) {
    CLI::App app{"KelvoSim: central server, relays, record servers and cameras on one machine"};
    std::string scenarioPath;
    std::string bind = "127.0.0.1";
    int port = -1;
    bool quiet = false;
    bool printDemo = false;
    std::string cacheDir;
    std::vector<std::string> faults;
    app.add_option("--scenario", scenarioPath, "scenario file (JSON); the built-in demo without one");
    app.add_option("--port", port, "central server port, TCP and UDP (0: every server on an ephemeral port)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--bind", bind, "address to listen on");
    app.add_flag("--quiet", quiet, "print only the ready line and errors");
    app.add_option("--fault", faults,
                   "fault switch NAME=VALUE (refuseLogins, dropAfterSeconds, stopHeartbeats, malformed, "
                   "relayKbps, refuseStreams, silentLookup); repeatable");
    app.add_option("--cache-dir", cacheDir, "folder for the generated recording clip");
    app.add_flag("--print-demo", printDemo, "print the built-in demo scenario and exit");
    CLI11_PARSE(app, argc, argv);

    if (printDemo) {
        std::cout << sim::DemoScenario::Json();
        return 0;
    }
    sim::Scenario sc;
    try {
        sc = scenarioPath.empty() ? sim::ParseScenario(sim::DemoScenario::Json(), "<demo>")
                                  : sim::LoadScenarioFile(scenarioPath);
        for (const std::string& f : faults) sim::FaultSwitches::ApplyOption(sc.faults, f);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "KelvoSim: %s\n", e.what());
        return 2;
    }
    if (port >= 0) {
        sc.centralPort = static_cast<uint16_t>(port);
        if (port == 0) {
            sc.httpPort = 0;
            for (auto& r : sc.relays) r.port = 0;
            for (auto& r : sc.recordServers) r.port = 0;
        }
    }
    if (!cacheDir.empty()) sc.cacheDir = cacheDir;

    // Signals are taken by sigwait below, never by the server threads.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    sim::Simulator simulator(std::move(sc), bind, quiet);
    try {
        simulator.Start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "KelvoSim: %s\n", e.what());
        return 1;
    }
    int sig = 0;
    sigwait(&stopSignals, &sig);
    simulator.Log().Always(std::string("KelvoSim stopping (") + (sig == SIGINT ? "SIGINT" : "SIGTERM") + ")");
    simulator.Stop();
    return 0;
}
