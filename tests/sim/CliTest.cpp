// The KelvoSim program: ready line on ephemeral ports, clean exit on
// SIGTERM, clear errors for bad scenarios and faults.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "SimFixture.h"
#include "SimProcess.h"
#include "SimTestClient.h"

using namespace simtest;

namespace {

TEST(KelvoSimProgram, ReadyLineOnEphemeralPortsAndCleanStop) {
    SimProcess p({"--port", "0", "--scenario", DataFile("tiny.json")});
    ASSERT_TRUE(p.WaitReady()) << p.Stderr();
    EXPECT_NE(p.central, 0);
    EXPECT_NE(p.http, 0);
    ASSERT_EQ(p.relays.size(), 1u);
    ASSERT_EQ(p.records.size(), 1u);
    SimTestClient c;
    ASSERT_TRUE(c.Connect(p.central));
    ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
    ASSERT_TRUE(c.ReadCommand(0x9004));
    std::string line;
    EXPECT_TRUE(p.WaitLine("login demo ok id=", 5000, 0, &line));
    SimTestClient relay;
    ASSERT_TRUE(relay.Connect(p.relays[0]));
    ASSERT_TRUE(relay.Send(RelayLogin("demo", "demo")));
    EXPECT_TRUE(relay.ReadCommand(0x1002));
    EXPECT_EQ(p.Stop(), 0);
    EXPECT_TRUE(p.WaitLine("KelvoSim stopping (SIGTERM)", 0));
}

TEST(KelvoSimProgram, FaultOptionsReachTheServers) {
    SimProcess p({"--port", "0", "--scenario", DataFile("tiny.json"), "--fault", "refuseLogins=23"});
    ASSERT_TRUE(p.WaitReady()) << p.Stderr();
    EXPECT_TRUE(p.WaitLine("faults refuseLogins=23"));
    SimTestClient c;
    ASSERT_TRUE(c.Connect(p.central));
    ASSERT_TRUE(c.Send(LoginRequest("demo", "demo")));
    auto r = c.ReadCommand(0x9004);
    ASSERT_TRUE(r);
    EXPECT_EQ(U16(*r, 8), 23);
}

TEST(KelvoSimProgram, BadScenarioAndBadFaultAreClearErrors) {
    std::string file = "/tmp/kelvosim-bad-" + std::to_string(getpid()) + ".json";
    std::ofstream(file) << "{\n  \"accounts\": [],\n  \"cameras\": [{\"key\": \"A\", \"fps\": 0}]\n}\n";
    SimProcess bad({"--scenario", file, "--port", "0"});
    EXPECT_EQ(bad.Wait(10000), 2);
    EXPECT_NE(bad.Stderr().find(file + ":3: /cameras/0/fps: must be between 1 and 60"), std::string::npos)
        << bad.Stderr();
    std::remove(file.c_str());
    SimProcess missing({"--scenario", "/nonexistent/x.json"});
    EXPECT_EQ(missing.Wait(10000), 2);
    EXPECT_NE(missing.Stderr().find("cannot be read"), std::string::npos);
    SimProcess fault({"--port", "0", "--fault", "malformed=sideways"});
    EXPECT_EQ(fault.Wait(10000), 2);
    EXPECT_NE(fault.Stderr().find("malformed"), std::string::npos);
}

TEST(KelvoSimProgram, PrintsTheDemoScenarioItServes) {
    SimProcess p({"--print-demo"});
    EXPECT_TRUE(p.WaitLine("\"user\": \"demo\""));
    EXPECT_EQ(p.Wait(5000), 0);
}

}  // namespace
