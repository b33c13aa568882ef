// Saved views: the file round trip, names, the tour, and what a restore opens.
#include "ViewStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace kelvo;

namespace {

class ViewStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-views-XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/Views.xml";
    }
    void TearDown() override {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
    std::string dir, path;
};

SavedView Four(const std::string& name) {
    SavedView v;
    v.name = name;
    v.columns = v.rows = 3;
    v.spanAcross = v.spanDown = 2;
    v.fitMode = 1;
    v.panes = {"C1", "", "C3", "C4"};
    return v;
}

TEST_F(ViewStoreTest, RoundTripKeepsLayoutPanesGbkNamesLastAndTour) {
    const std::string gate = "\xB4\xF3\xC3\xC5";  // two GBK characters
    ViewStore store(path);
    ASSERT_TRUE(store.Put(Four(gate)));
    ASSERT_TRUE(store.Put(Four("night")));
    store.SetLast(Four("ignored"));
    store.SetTour({gate, "night", "missing"}, 2);
    ASSERT_TRUE(store.Save());

    ViewStore again(path);
    ASSERT_TRUE(again.Load());
    ASSERT_EQ(again.Views().size(), 2u);
    const SavedView* v = again.Find(gate);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->columns, 3);
    EXPECT_EQ(v->spanAcross, 2);
    EXPECT_EQ(v->fitMode, 1);
    EXPECT_EQ(v->panes, (std::vector<std::string>{"C1", "", "C3", "C4"}));
    EXPECT_TRUE(again.HasLast());
    EXPECT_EQ(again.Last().panes.size(), 4u);
    // Unknown names leave the tour; the interval is held to its range.
    EXPECT_EQ(again.Tour(), (std::vector<std::string>{gate, "night"}));
    EXPECT_EQ(again.TourSeconds(), 5);
    // The file is UTF-8 on disk.
    std::ifstream f(path);
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\xE5\xA4\xA7\xE9\x97\xA8"), std::string::npos);
}

TEST_F(ViewStoreTest, NamesAreUniqueAndRenameAndRemoveFollowTheTour) {
    ViewStore store(path);
    EXPECT_FALSE(store.Put(Four("")));
    EXPECT_FALSE(store.Put(Four(std::string(ViewStore::kMaxName + 1, 'x'))));
    ASSERT_TRUE(store.Put(Four("a")));
    ASSERT_TRUE(store.Put(Four("b")));
    SavedView changed = Four("a");
    changed.columns = 1;
    ASSERT_TRUE(store.Put(changed));
    EXPECT_EQ(store.Views().size(), 2u) << "same name replaces";
    EXPECT_EQ(store.Find("a")->columns, 1);
    store.SetTour({"a", "b"}, 30);
    EXPECT_FALSE(store.Rename("a", "b")) << "taken";
    EXPECT_FALSE(store.Rename("zz", "c")) << "missing";
    EXPECT_FALSE(store.Rename("a", ""));
    ASSERT_TRUE(store.Rename("a", "c"));
    EXPECT_EQ(store.Tour(), (std::vector<std::string>{"c", "b"}));
    ASSERT_TRUE(store.Remove("b"));
    EXPECT_FALSE(store.Remove("b"));
    EXPECT_EQ(store.Tour(), (std::vector<std::string>{"c"}));
    for (int i = 0; i < ViewStore::kMaxViews; ++i) store.Put(Four("v" + std::to_string(i)));
    EXPECT_EQ(static_cast<int>(store.Views().size()), ViewStore::kMaxViews);
    EXPECT_FALSE(store.Put(Four("one too many")));
}

TEST_F(ViewStoreTest, HostileFileIsClampedOrRefused) {
    {
        std::ofstream f(path);
        f << "<?xml version=\"1.0\"?><views>"
             "<view name=\"big\" columns=\"99\" rows=\"-4\" spanAcross=\"50\" fit=\"7\">"
             "<pane index=\"100000\" camera=\"X\"/><pane index=\"-1\" camera=\"Y\"/><pane index=\"2\" camera=\"C2\"/></view>"
             "<view name=\"big\"/><view/>"
             "</views>";
    }
    ViewStore store(path);
    ASSERT_TRUE(store.Load());
    ASSERT_EQ(store.Views().size(), 1u) << "duplicate and nameless views dropped";
    const SavedView& v = store.Views()[0];
    EXPECT_EQ(v.columns, 9);
    EXPECT_EQ(v.rows, 1);
    EXPECT_EQ(v.spanAcross, 9);
    EXPECT_EQ(v.fitMode, 2);
    EXPECT_EQ(v.panes, (std::vector<std::string>{"", "", "C2"}));

    { std::ofstream(path) << "<views><view name="; }
    EXPECT_FALSE(store.Load());
    EXPECT_TRUE(store.Views().empty());
    unlink(path.c_str());
    EXPECT_FALSE(store.Load()) << "missing file";
}

TEST(RestorePlan, OpensOnlineCamerasInTheirPanesWithinLimitAndRights) {
    SavedView v;
    v.columns = v.rows = 2;
    v.panes = {"C1", "", "C5", "C3", "C4"};  // pane 4 lies outside a 2x2 layout
    const std::vector<std::string> online = {"C1", "C3", "C4"};
    auto plan = RestorePlan(v, online, 16, true);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].pane, 0);
    EXPECT_EQ(plan[0].key, "C1");
    EXPECT_EQ(plan[1].pane, 3);
    EXPECT_EQ(plan[1].key, "C3");
    // A smaller stream limit keeps the first panes.
    plan = RestorePlan(v, online, 1, true);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].key, "C1");
    EXPECT_TRUE(RestorePlan(v, online, 0, true).empty());
    EXPECT_TRUE(RestorePlan(v, online, 16, false).empty()) << "outside the viewing schedule";
    v.panes = {"C1", "C1"};
    EXPECT_EQ(RestorePlan(v, online, 16, true).size(), 1u) << "one stream per camera";
}

}  // namespace
