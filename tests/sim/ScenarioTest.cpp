// Scenario loading: the built-in demo's promises, line-numbered errors,
// fault switches and the rights document built from an account.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <ctime>
#include <set>

#include "sim/DemoScenario.h"
#include "sim/FaultSwitches.h"
#include "sim/RightsDocument.h"
#include "sim/Scenario.h"

namespace {

sim::Scenario Demo() { return sim::ParseScenario(sim::DemoScenario::Json(), "<demo>"); }

std::string ErrorOf(const std::string& json) {
    try {
        sim::ParseScenario(json, "bad.json");
    } catch (const sim::ScenarioError& e) {
        return e.what();
    }
    return "";
}

TEST(DemoScenario, OffersWhatTheDemoNeeds) {
    sim::Scenario sc = Demo();
    int top = 0, sub = 0;
    for (const auto& n : sc.nodes) (n.parent.empty() ? top : sub)++;
    EXPECT_GE(top, 3);
    EXPECT_GE(sub, 3);
    EXPECT_GE(sc.cameras.size(), 16u);
    int online = 0, ptz = 0, g711 = 0, raw = 0, alarm = 0, recorded = 0;
    for (const auto& c : sc.cameras) {
        online += c.online;
        ptz += c.ptz;
        g711 += c.audioCodec == 16 || c.audioCodec == 17;
        raw += c.audioCodec == 26;
        alarm += c.hasAlarm && c.alarm.periodSeconds <= 30;
        recorded += c.hasRecordings && c.recordings.days >= 7;
    }
    EXPECT_GT(online, 0);
    EXPECT_LT(online, static_cast<int>(sc.cameras.size()));
    EXPECT_GE(ptz, 1);
    EXPECT_GE(g711, 1);
    EXPECT_GE(raw, 1);
    EXPECT_GE(alarm, 1);
    EXPECT_GE(recorded, 2);
    // Names travel as GBK: "前台" is C7 B0 CC A8.
    EXPECT_EQ(sc.FindCamera("C002")->name, std::string("\xC7\xB0\xCC\xA8"));
}

TEST(DemoScenario, AccountsCoverEveryRefusalAndTheOpenSchedule) {
    sim::Scenario sc = Demo();
    const sim::Account* demo = sc.FindAccount("demo");
    ASSERT_NE(demo, nullptr);
    EXPECT_EQ(demo->password, "demo");
    EXPECT_EQ(demo->forcedResult, 0);
    EXPECT_EQ(demo->expiry, 0u);
    for (int d = 0; d < 7; ++d) {
        ASSERT_EQ(demo->schedule.count(d), 1u) << d;
        EXPECT_EQ(demo->schedule.at(d).front().begin, "00:00:00");
        EXPECT_EQ(demo->schedule.at(d).front().end, "23:59:59");
    }
    std::set<int> forced;
    for (const auto& a : sc.accounts) forced.insert(a.forcedResult);
    for (int code : {3, 9, 10, 18, 21, 23, 24}) EXPECT_TRUE(forced.count(code)) << code;
    const sim::Account* expired = sc.FindAccount("expired");
    ASSERT_NE(expired, nullptr);
    EXPECT_GT(expired->expiry, 0u);
    EXPECT_LT(expired->expiry, static_cast<uint32_t>(time(nullptr)));
    EXPECT_LT(sc.FindAccount("office")->schedule.size(), 7u);
    EXPECT_EQ(sc.recordAccounts.front().user, "kqwz");
}

TEST(ScenarioErrors, NameFileLineAndWhat) {
    EXPECT_NE(ErrorOf("{\n  \"accounts\": [],\n  \"cameras\": [ oops ]\n}").find("bad.json:3:"), std::string::npos);
    std::string e = ErrorOf("{\n\"accounts\": [],\n\"cameras\": [\n  {\"key\": \"A\",\n   \"width\": 17}\n]}");
    EXPECT_NE(e.find("bad.json:5:"), std::string::npos) << e;
    EXPECT_NE(e.find("even"), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [],\n \"camras\": []}");
    EXPECT_NE(e.find(":2:"), std::string::npos) << e;
    EXPECT_NE(e.find("unknown key \"camras\""), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [{\"user\": \"u\",\n \"schedule\": [{\"days\": [1], \"begin\": \"25:00:00\", \"end\": \"26:00:00\"}]}]}");
    EXPECT_NE(e.find("HH:MM:SS"), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [], \"cameras\": [{\"key\": \"A\", \"relay\": \"nowhere\"}]}");
    EXPECT_NE(e.find("names no relay"), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [], \"nodes\": [{\"key\": \"N\", \"name\": \"n\"}, {\"key\": \"N\", \"name\": \"m\"}]}");
    EXPECT_NE(e.find("repeats key"), std::string::npos) << e;
    // 18 Chinese characters are 36 GBK bytes: one too many for the field.
    e = ErrorOf("{\"accounts\": [], \"nodes\": [{\"key\": \"N\", \"name\": \"一二三四五六七八九十一二三四五六七八\"}]}");
    EXPECT_NE(e.find("GBK"), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [], \"cameras\": [{\"key\": \"A\", \"audio\": 24}]}");
    EXPECT_NE(e.find("no encoder"), std::string::npos) << e;
    e = ErrorOf("{\"accounts\": [], \"faults\": {\"malformed\": \"sometimes\"}}");
    EXPECT_NE(e.find("/faults/malformed"), std::string::npos) << e;
}

TEST(FaultSwitches, CommandLineOptionsParseAndRefuseNonsense) {
    sim::Faults f;
    sim::FaultSwitches::ApplyOption(f, "refuseStreams=3");
    sim::FaultSwitches::ApplyOption(f, "stopHeartbeats");
    sim::FaultSwitches::ApplyOption(f, "malformed=relay-short");
    EXPECT_EQ(f.refuseStreams, 3);
    EXPECT_TRUE(f.stopHeartbeats);
    EXPECT_EQ(f.malformed, "relay-short");
    EXPECT_THROW(sim::FaultSwitches::ApplyOption(f, "malformed=bogus"), std::invalid_argument);
    EXPECT_THROW(sim::FaultSwitches::ApplyOption(f, "refuseStreams=lots"), std::invalid_argument);
    EXPECT_THROW(sim::FaultSwitches::ApplyOption(f, "nosuch=1"), std::invalid_argument);
    EXPECT_EQ(f.refuseStreams, 3);  // a refused option leaves the switches alone
}

TEST(RightsDocument, CarriesRightsAndWeeklySchedule) {
    sim::Scenario sc = Demo();
    sim::Account office = *sc.FindAccount("office");
    office.ptz = 2;
    office.user = "a\"<b>";
    TiXmlDocument doc;
    doc.Parse(sim::RightsDocument::For(office).c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    TiXmlElement* right = doc.RootElement()->FirstChildElement("right");
    ASSERT_NE(right, nullptr);
    EXPECT_STREQ(right->Attribute("ptz"), "2");
    EXPECT_STREQ(right->Attribute("videonum"), std::to_string(office.videoNum).c_str());
    int days = 0;
    for (TiXmlElement* s = doc.RootElement()->FirstChildElement("schedule"); s; s = nullptr)
        for (TiXmlElement* tl = s->FirstChildElement("time_list"); tl; tl = tl->NextSiblingElement("time_list")) {
            int week = -1;
            tl->QueryIntAttribute("week", &week);
            EXPECT_GE(week, 1);
            EXPECT_LE(week, 5);
            EXPECT_STREQ(tl->FirstChildElement("time")->Attribute("begin"), "08:00:00");
            ++days;
        }
    EXPECT_EQ(days, 5);
}

}  // namespace
