#include <gtest/gtest.h>

#include <ctime>

#include "KelvoNetwork.h"
#include "network/Rights.h"

namespace {

const char* kWorkdays =
    "<acl><right video=\"1\"/>"
    "<group><time_list week=\"1\"><time begin=\"08:00:00\" end=\"18:00:00\"/></time_list></group>"
    "<time_list week=\"2\"><time begin=\"00:00:00\" end=\"06:00:00\"/>"
    "<time begin=\"20:00:00\" end=\"23:59:59\"/></time_list>"
    "<time_list week=\"3\"><time begin=\"10:00:00\"/></time_list>"
    "</acl>";

// A local time on the given weekday of a fixed week (2024-06-02 is a Sunday).
int64_t LocalTime(int weekday, int h, int m, int s) {
    struct tm t = {};
    t.tm_year = 124;
    t.tm_mon = 5;
    t.tm_mday = 2 + weekday;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&t));
}

}  // namespace

TEST(Rights, AttributesGrantBitsOnlyWhenNonZeroIntegers) {
    Rights r;
    r.Parse("<x><right ptz=\"2\" alarm=\"0\" talk=\"x\" node=\"1\" screen=\"1\" video=\"1\" "
            "manageuser=\"-1\" videonum=\"0\"/></x>", 0);
    EXPECT_EQ(r.Mask() & ~RIGHT_SCHEDULE,
              static_cast<uint32_t>(RIGHT_PTZ | RIGHT_NODE | RIGHT_SCREEN | RIGHT_VIDEO | RIGHT_MANAGEUSER));
    EXPECT_EQ(r.MaxStream(), 0);
    r.Parse("<x><right alarm=\"1\" videonum=\"4\"/></x>", 0);
    EXPECT_EQ(r.Mask(), static_cast<uint32_t>(RIGHT_ALARM));
    EXPECT_EQ(r.MaxStream(), 4);
}

TEST(Rights, BrokenDocumentsGrantNothing) {
    Rights r;
    for (const char* doc : {"", "<unclosed", "<x><other ptz=\"1\"/></x>", "not xml at all"}) {
        r.Parse(doc, 0);
        EXPECT_EQ(r.Mask(), 0u) << doc;
        EXPECT_EQ(r.MaxStream(), 0) << doc;
    }
}

// A declared UTF-8 document ending in a lead byte made TinyXML read past the text.
TEST(Rights, DeclaredUtf8WithACutSequenceStaysInsideTheText) {
    Rights r;
    r.Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><x><right ptz=\"1\" videonum=\"2\"/></x>\xd4", 0);
    EXPECT_EQ(r.Mask(), static_cast<uint32_t>(RIGHT_PTZ));
    EXPECT_EQ(r.MaxStream(), 2);
    r.Parse("\xef\xbb\xbf<x><right video=\"1\">\xf0", 0);
    EXPECT_EQ(r.Mask(), 0u);
}

TEST(Rights, ScheduleBoundariesAreInclusive) {
    Rights r;
    r.Parse(kWorkdays, 0);
    EXPECT_TRUE(r.Admits(1, "08:00:00"));
    EXPECT_TRUE(r.Admits(1, "18:00:00"));
    EXPECT_FALSE(r.Admits(1, "18:00:01"));
    EXPECT_FALSE(r.Admits(1, "07:59:59"));
    EXPECT_TRUE(r.Admits(2, "21:00:00"));
    EXPECT_FALSE(r.Admits(2, "12:00:00"));
    EXPECT_FALSE(r.Admits(0, "12:00:00"));  // no list for Sunday
    EXPECT_FALSE(r.Admits(3, "12:00:00"));  // a span without an end admits nothing
}

TEST(Rights, CheckScheduleUsesLocalTimeAndSetsTheBit) {
    Rights r;
    r.Parse(kWorkdays, LocalTime(1, 9, 0, 0));
    EXPECT_TRUE(r.Mask() & RIGHT_SCHEDULE);
    EXPECT_FALSE(r.CheckSchedule(LocalTime(1, 18, 0, 1)));
    EXPECT_FALSE(r.Mask() & RIGHT_SCHEDULE);
    EXPECT_TRUE(r.CheckSchedule(LocalTime(1, 18, 0, 0)));
    EXPECT_TRUE(r.Mask() & RIGHT_VIDEO);
}
