// The alarm centre's model with a hand-driven clock.
#include "AlarmList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using kelvo::AlarmList;

namespace {

AlarmList::Region At(int region, int64_t arrival) {
    AlarmList::Region r;
    r.region = region;
    r.arrival = arrival;
    return r;
}

class AlarmListTest : public ::testing::Test {
protected:
    int64_t now = 1000;
    int countChanges = 0;
    AlarmList list{[this] { return now; }};

    void SetUp() override { list.onCountChanged = [this] { ++countChanges; }; }
    std::vector<std::string> Keys() const {
        std::vector<std::string> out;
        for (auto& r : list.Rows()) out.push_back(r.key + ":" + std::to_string(r.region.region));
        return out;
    }
};

}  // namespace

TEST_F(AlarmListTest, NewestFirstAndAcknowledgeCountsOncePerChange) {
    list.Report("a", "Site\\A", {At(1, 300), At(2, 300)});
    list.Report("b", "Site\\B", {At(1, 100)});
    now = 200;
    list.Report("c", "Site\\C", {At(1, 0)});  // arrival unknown: the clock's time
    list.Report("d", "Site\\D", {At(1, 300)});  // equal times: the later listing first
    EXPECT_EQ(Keys(), (std::vector<std::string>{"d:1", "a:2", "a:1", "c:1", "b:1"}));
    EXPECT_EQ(list.Rows()[3].time, 200);
    EXPECT_EQ(list.UnacknowledgedCount(), 5);
    EXPECT_EQ(countChanges, 4);  // one per report, not one per row

    const uint64_t oldest = list.Rows().back().id;
    EXPECT_TRUE(list.Acknowledge(oldest));
    EXPECT_FALSE(list.Acknowledge(oldest));
    EXPECT_EQ(list.UnacknowledgedCount(), 4);
    list.AcknowledgeAll();
    list.AcknowledgeAll();
    EXPECT_EQ(list.UnacknowledgedCount(), 0);
    EXPECT_EQ(countChanges, 6);
    EXPECT_EQ(list.Rows().size(), 5u);  // acknowledged rows stay listed
}

TEST_F(AlarmListTest, ARegionStillListedAddsNoRowUntilItCleared) {
    EXPECT_EQ(list.Report("a", "A", {At(1, 100)}), 1);
    EXPECT_EQ(list.Report("a", "A", {At(1, 100), At(2, 105)}), 1);
    EXPECT_EQ(list.Report("b", "B", {At(1, 100)}), 1);  // same region number, other camera
    list.AcknowledgeAll();
    EXPECT_EQ(list.Report("a", "A", {At(1, 100), At(2, 105)}), 0);  // acknowledged yet still live

    // Region 1 expired: missing from a report, then back; or back with a new arrival.
    EXPECT_EQ(list.Report("a", "A", {At(2, 105)}), 0);
    EXPECT_EQ(list.Report("a", "A", {At(1, 130), At(2, 105)}), 1);
    EXPECT_EQ(list.Report("a", "A", {At(1, 150), At(2, 105)}), 1);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a:1", "a:1", "a:2", "b:1", "a:1"}));

    // The flag went on but the regions expired before they were read: one row, not one per call.
    EXPECT_EQ(list.Report("c", "C", {}), 1);
    EXPECT_EQ(list.Report("c", "C", {}), 0);
    EXPECT_EQ(list.Rows()[0].region.region, AlarmList::kNoRegion);
    EXPECT_EQ(list.Rows()[0].time, now);
}

TEST_F(AlarmListTest, SnoozedCamerasListButNeitherCountNorNotify) {
    list.SnoozeCamera("a", AlarmList::Snooze::FiveMinutes);
    list.SnoozeCamera("b", AlarmList::Snooze::OneHour);
    now = 1299;
    EXPECT_EQ(list.Report("a", "A", {At(1, now)}), 0);
    EXPECT_EQ(list.Report("b", "B", {At(1, now)}), 0);
    EXPECT_EQ(countChanges, 0);
    ASSERT_EQ(list.Rows().size(), 2u);
    EXPECT_TRUE(list.Rows()[0].snoozed && list.Rows()[1].snoozed);

    now = 1300;  // five minutes are over for a, not the hour for b
    EXPECT_EQ(list.Report("a", "A", {At(2, now)}), 1);
    EXPECT_EQ(list.Report("b", "B", {At(2, now)}), 0);
    now = 1000 + 3600;
    EXPECT_EQ(list.Report("b", "B", {At(3, now)}), 1);
    EXPECT_EQ(list.UnacknowledgedCount(), 2);
}

TEST_F(AlarmListTest, UntilTomorrowEndsAtLocalMidnight) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "CST-8", 1);
    tzset();
    now = 1796658600;  // 2026-12-07 23:50 at UTC+8
    list.SnoozeCamera("a", AlarmList::Snooze::UntilTomorrow);
    now = 1796659199;
    EXPECT_EQ(list.Report("a", "A", {At(1, now)}), 0);
    now = 1796659200;  // 2026-12-08 00:00 local
    EXPECT_EQ(list.Report("a", "A", {At(2, now)}), 1);

    // The day the clocks go forward: tomorrow's offset is not today's.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(AlarmList::NextLocalMidnight(1774744200), 1774821600);  // 03-29 01:30 CET -> 03-30 00:00 CEST
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(AlarmListCapacity, DropsOldestAcknowledgedThenSnoozedThenOldest) {
    AlarmList list([] { return int64_t{0}; }, 4);
    for (int i = 1; i <= 4; ++i) list.Report("k" + std::to_string(i), "T", {At(1, i * 10)});
    list.Acknowledge(list.Rows()[1].id);  // k3
    list.Acknowledge(list.Rows()[3].id);  // k1
    list.Report("k5", "T", {At(1, 50)});
    EXPECT_EQ(list.Rows().back().key, "k2");  // k1, the oldest acknowledged, went
    list.SnoozeCamera("k9", AlarmList::Snooze::OneHour);
    list.Report("k9", "T", {At(1, 60)});
    list.Report("k6", "T", {At(1, 70)});  // k3 goes, then the snoozed k9 before older k2
    std::vector<std::string> keys;
    for (auto& r : list.Rows()) keys.push_back(r.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"k6", "k5", "k4", "k2"}));
    list.Report("k7", "T", {At(1, 80)});  // nothing acknowledged or snoozed: the oldest
    EXPECT_EQ(list.Rows().back().key, "k4");
    EXPECT_EQ(list.UnacknowledgedCount(), 4);
}
