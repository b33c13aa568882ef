// The alarm centre's model with a hand-driven clock.
#include "AlarmList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using kelvo::AlarmList;

namespace {

AlarmList::Region At(int region, int64_t arrival, int type = 1) {
    AlarmList::Region r;
    r.region = region;
    r.type = type;
    r.arrival = arrival;
    return r;
}

class AlarmListTest : public ::testing::Test {
protected:
    int64_t now = 1000;
    int countChanges = 0;
    AlarmList list{[this] { return now; }};

    void SetUp() override {
        list.onCountChanged = [this] { ++countChanges; };
    }
    std::vector<std::string> Keys() const {
        std::vector<std::string> out;
        for (auto& r : list.Rows()) out.push_back(r.key + ":" + std::to_string(r.region.region));
        return out;
    }
};

// Runs the test body under a fixed time zone, restoring the previous one.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old) m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

}  // namespace

TEST_F(AlarmListTest, ListsNewestFirstWithClockTimeForUnknownArrival) {
    list.Report("a", "Site\\A", {At(1, 300)});
    list.Report("b", "Site\\B", {At(1, 100)});
    list.Report("c", "Site\\C", {At(1, 200)});
    now = 250;
    list.Report("d", "Site\\D", {At(1, 0)});  // no arrival known: listed at the clock's time
    list.Report("e", "Site\\E", {At(1, 300)});  // same time as "a": the later report goes first
    EXPECT_EQ(Keys(), (std::vector<std::string>{"e:1", "a:1", "d:1", "c:1", "b:1"}));
    EXPECT_EQ(list.Rows()[2].time, 250);
    EXPECT_EQ(list.Rows()[1].titlePath, "Site\\A");
}

TEST_F(AlarmListTest, AcknowledgeChangesTheCountOncePerChange) {
    EXPECT_EQ(list.Report("a", "A", {At(1, 10), At(2, 10)}), 2);
    EXPECT_EQ(list.Report("b", "B", {At(5, 20)}), 1);
    EXPECT_EQ(list.UnacknowledgedCount(), 3);
    EXPECT_EQ(countChanges, 2);  // one per report, not one per row

    const uint64_t first = list.Rows().back().id;
    EXPECT_TRUE(list.Acknowledge(first));
    EXPECT_FALSE(list.Acknowledge(first));
    EXPECT_FALSE(list.Acknowledge(999999));
    EXPECT_EQ(list.UnacknowledgedCount(), 2);
    EXPECT_EQ(countChanges, 3);
    EXPECT_TRUE(list.Find(first)->acknowledged);

    list.AcknowledgeAll();
    EXPECT_EQ(list.UnacknowledgedCount(), 0);
    EXPECT_EQ(countChanges, 4);
    list.AcknowledgeAll();
    EXPECT_EQ(countChanges, 4);
    EXPECT_EQ(list.Rows().size(), 3u);  // acknowledged rows stay listed
}

TEST_F(AlarmListTest, ARegionStillListedAddsNoRowUntilItCleared) {
    EXPECT_EQ(list.Report("a", "A", {At(1, 100)}), 1);
    EXPECT_EQ(list.Report("a", "A", {At(1, 100)}), 0);
    EXPECT_EQ(list.Report("a", "A", {At(1, 100), At(2, 105)}), 1);
    EXPECT_EQ(list.Rows().size(), 2u);
    // The same region number on another camera is another alarm.
    EXPECT_EQ(list.Report("b", "B", {At(1, 100)}), 1);

    // Region 1 expired on camera a: gone from the report, then back with a new arrival.
    EXPECT_EQ(list.Report("a", "A", {At(2, 105)}), 0);
    EXPECT_EQ(list.Report("a", "A", {At(1, 130), At(2, 105)}), 1);
    // Expired and back between two reports: the new arrival tells.
    EXPECT_EQ(list.Report("a", "A", {At(1, 150), At(2, 105)}), 1);
    // Equal times: the later listing first.
    EXPECT_EQ(Keys(), (std::vector<std::string>{"a:1", "a:1", "a:2", "b:1", "a:1"}));

    // Acknowledging does not let a still-live region list again.
    list.AcknowledgeAll();
    EXPECT_EQ(list.Report("a", "A", {At(1, 150), At(2, 105)}), 0);
    EXPECT_EQ(list.UnacknowledgedCount(), 0);
}

TEST_F(AlarmListTest, AnAlarmWithoutRegionsIsListedOnce) {
    now = 500;
    EXPECT_EQ(list.Report("a", "A", {}), 1);
    EXPECT_EQ(list.Report("a", "A", {}), 0);
    ASSERT_EQ(list.Rows().size(), 1u);
    EXPECT_EQ(list.Rows()[0].region.region, AlarmList::kNoRegion);
    EXPECT_EQ(list.Rows()[0].time, 500);
    // Regions arriving later clear it; a later empty report lists anew.
    EXPECT_EQ(list.Report("a", "A", {At(3, 510)}), 1);
    EXPECT_EQ(list.Report("a", "A", {}), 1);
    EXPECT_EQ(list.Rows().size(), 3u);
}

TEST_F(AlarmListTest, SnoozedCamerasListButNeitherCountNorNotify) {
    list.SnoozeCamera("a", AlarmList::Snooze::FiveMinutes);
    list.SnoozeCamera("b", AlarmList::Snooze::OneHour);
    EXPECT_EQ(list.SnoozedUntil("a"), 1000 + 300);
    EXPECT_EQ(list.SnoozedUntil("b"), 1000 + 3600);
    EXPECT_FALSE(list.IsSnoozed("c"));

    now = 1299;
    EXPECT_EQ(list.Report("a", "A", {At(1, 1299)}), 0);
    EXPECT_EQ(list.Report("c", "C", {At(1, 1299)}), 1);
    EXPECT_EQ(list.UnacknowledgedCount(), 1);
    EXPECT_EQ(countChanges, 1);
    ASSERT_EQ(list.Rows().size(), 2u);
    EXPECT_EQ(list.Rows()[1].key, "a");
    EXPECT_TRUE(list.Rows()[1].snoozed);
    EXPECT_FALSE(list.Rows()[0].snoozed);

    now = 1300;  // five minutes are over
    EXPECT_FALSE(list.IsSnoozed("a"));
    EXPECT_EQ(list.Report("a", "A", {At(2, 1300)}), 1);
    EXPECT_EQ(list.Report("b", "B", {At(1, 1300)}), 0);
    now = 1000 + 3599;
    EXPECT_EQ(list.Report("b", "B", {At(2, now)}), 0);
    now = 1000 + 3600;
    EXPECT_EQ(list.Report("b", "B", {At(3, now)}), 1);
    EXPECT_EQ(list.UnacknowledgedCount(), 3);

    list.SnoozeCamera("c", AlarmList::Snooze::OneHour);
    list.Unsnooze("c");
    EXPECT_FALSE(list.IsSnoozed("c"));
}

TEST_F(AlarmListTest, UntilTomorrowEndsAtLocalMidnight) {
    {
        ZoneGuard zone("CST-8");
        now = 1796658600;  // 2026-12-07 23:50 at UTC+8
        list.SnoozeCamera("a", AlarmList::Snooze::UntilTomorrow);
        EXPECT_EQ(list.SnoozedUntil("a"), 1796659200);  // 2026-12-08 00:00 local
        now = 1796659199;
        EXPECT_EQ(list.Report("a", "A", {At(1, now)}), 0);
        now = 1796659200;
        EXPECT_EQ(list.Report("a", "A", {At(2, now)}), 1);
    }
    {
        // The day the clocks go forward has 23 hours: the offset of "now" is not tomorrow's.
        ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ(AlarmList::NextLocalMidnight(1774744200), 1774821600);  // 03-29 01:30 CET -> 03-30 00:00 CEST
    }
}

TEST(AlarmListCapacity, DropsOldestAcknowledgedThenSnoozedThenOldest) {
    int64_t now = 0;
    AlarmList list([&] { return now; }, 4);
    int changes = 0;
    list.onCountChanged = [&] { ++changes; };
    for (int i = 1; i <= 4; ++i) list.Report("k" + std::to_string(i), "T", {At(1, i * 10)});
    // Rows now: k4 k3 k2 k1 (newest first). Acknowledge k3 and k1.
    list.Acknowledge(list.Rows()[1].id);
    list.Acknowledge(list.Rows()[3].id);
    list.Report("k5", "T", {At(1, 50)});
    ASSERT_EQ(list.Rows().size(), 4u);
    EXPECT_EQ(list.Rows().back().key, "k2");  // k1, the oldest acknowledged, went
    list.Report("k6", "T", {At(1, 60)});
    EXPECT_EQ(list.Rows().size(), 4u);
    for (auto& r : list.Rows()) EXPECT_FALSE(r.acknowledged);  // k3 went next
    EXPECT_EQ(list.UnacknowledgedCount(), 4);

    list.SnoozeCamera("k9", AlarmList::Snooze::OneHour);
    list.Report("k9", "T", {At(1, 5)});  // snoozed and oldest: dropped at once
    EXPECT_EQ(list.Rows().back().key, "k2");
    const int before = changes;
    list.Report("k7", "T", {At(1, 70)});  // nothing acknowledged or snoozed: the oldest goes
    EXPECT_EQ(list.Rows().back().key, "k4");
    EXPECT_EQ(list.UnacknowledgedCount(), 4);
    EXPECT_EQ(changes, before);  // one counted in, one counted out

    AlarmList big([&] { return now; });
    for (int i = 0; i < 1005; ++i) big.Report("k" + std::to_string(i), "T", {At(1, i + 1)});
    EXPECT_EQ(big.Rows().size(), AlarmList::kDefaultCapacity);
    EXPECT_EQ(big.Rows().back().key, "k5");
}
