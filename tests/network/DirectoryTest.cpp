#include <gtest/gtest.h>

#include <cstring>

#include "network/Directory.h"
#include "tests/network/FakeCentral.h"

using namespace testing_support;

namespace {

std::vector<std::string> NodeNames(const Directory& d, const char* key) {
    int count = 64;
    NodeInfo nodes[64];
    int n = d.CopyNodes(key, nodes, &count);
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.emplace_back(nodes[i].name);
    return names;
}

std::vector<std::string> CameraKeys(const Directory& d, const char* key) {
    int count = 64;
    CameraInfo cams[64];
    int n = d.CopyCameras(key, cams, &count);
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i) keys.emplace_back(cams[i].key);
    return keys;
}

}  // namespace

TEST(Directory, PlacesChildrenBeforeParentsAndDropsOrphans) {
    Directory d;
    Bytes nodes = NodeReply({{"c", "Child", "b"},
                             {"orphan", "Lost", "nowhere"},
                             {"b", "Branch", "a"},
                             {"a", "Root", ""},
                             {"b", "Duplicate", "a"}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    EXPECT_EQ(d.NodeCount(nullptr), 1);
    EXPECT_EQ(d.NodeCount("a"), 1);
    EXPECT_EQ(d.NodeCount("b"), 1);
    EXPECT_EQ(d.NodeCount("c"), 0);
    EXPECT_EQ(d.NodeCount("orphan"), -1);
    // The cyclic scan places the later "b" first (its parent is known by
    // then); the first one placed wins, the other is refused.
    EXPECT_EQ(NodeNames(d, "a"), (std::vector<std::string>{"Duplicate"}));
}

TEST(Directory, EmptyKeysDoNotHangThePlacingLoop) {
    Directory d;
    Bytes nodes = NodeReply({{"", "Nameless", ""}, {"a", "Root", ""}, {"", "Other", "a"}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    EXPECT_EQ(NodeNames(d, ""), (std::vector<std::string>{"Root"}));
}

TEST(Directory, LengthMustMatchTheCountAndCannotWrap) {
    Directory d;
    Bytes nodes = NodeReply({{"a", "Root", ""}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    Bytes cams = CameraReply({{"k", "Cam", "a"}});
    cams.push_back(0);
    EXPECT_FALSE(d.ApplyCameraList(cams.data(), cams.size(), "host"));
    EXPECT_EQ(d.CameraCount("a"), 0);
    // n chosen so that 12 + 196·n wraps to the real length in 32 bits.
    Bytes wrap = CameraReply({{"k", "Cam", "a"}});
    PutLe32(wrap, 8, 1u + (1u << 30));
    EXPECT_FALSE(d.ApplyCameraList(wrap.data(), wrap.size(), "host"));
    Bytes badNodes = NodeReply({{"a", "Root", ""}});
    PutLe32(badNodes, 8, 2);
    EXPECT_FALSE(d.ApplyNodeList(badNodes.data(), badNodes.size()));
    EXPECT_EQ(d.NodeCount(nullptr), 0);  // cleared all the same
}

TEST(Directory, CamerasFirstKeyWinsUnknownNodeDroppedSortedByUnsignedBytes) {
    Directory d;
    // GBK names: 0xB1 0xB1 sorts after ASCII 'Z' as unsigned bytes.
    const std::string gbk = "\xB1\xB1\xBE\xA9";
    Bytes nodes = NodeReply({{"top2", "Zeta", ""}, {"top1", gbk, ""}, {"top0", "Alpha", ""},
                             {"sub2", "beta", "top0"}, {"sub1", "Beta", "top0"}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    Bytes cams = CameraReply({{"k1", "Zoom", "top0"},
                              {"k2", gbk + "1", "top0"},
                              {"k1", "Shadow", "top1"},
                              {"k3", "Nowhere", "none"},
                              {"k4", "Able", "top0"}});
    ASSERT_TRUE(d.ApplyCameraList(cams.data(), cams.size(), "central.local"));
    EXPECT_EQ(NodeNames(d, nullptr), (std::vector<std::string>{"Alpha", "Zeta", gbk}));
    EXPECT_EQ(NodeNames(d, "top0"), (std::vector<std::string>{"Beta", "beta"}));
    EXPECT_EQ(CameraKeys(d, "top0"), (std::vector<std::string>{"k4", "k1", "k2"}));
    EXPECT_EQ(d.CameraCount("top1"), 0);
    EXPECT_EQ(d.FindCamera("k3"), nullptr);
    EXPECT_EQ(d.FindCamera("k1")->name, "Zoom");
    EXPECT_EQ(d.FindCamera("k2")->name, gbk + "1");  // passed through unchanged
    EXPECT_EQ(d.FindCamera("k4")->relayHost, "central.local");
}

TEST(Directory, GetterCountRules) {
    Directory d;
    Bytes nodes = NodeReply({{"a", "A", ""}, {"b", "B", ""}, {"c", "C", ""}, {"d", "D", ""},
                             {"e", "E", ""}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    Bytes cams = CameraReply({{"k1", "One", "a", 1}, {"k2", "Two", "a", 0}});
    ASSERT_TRUE(d.ApplyCameraList(cams.data(), cams.size(), "h"));

    NodeInfo nodeOut[5];
    int count = 2;
    EXPECT_EQ(d.CopyNodes(nullptr, nodeOut, &count), 2);
    EXPECT_EQ(count, 2);
    EXPECT_STREQ(nodeOut[1].name, "B");
    count = 7;
    EXPECT_EQ(d.CopyNodes("", nullptr, &count), 5);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(d.CopyNodes(nullptr, nodeOut, nullptr), -1);
    EXPECT_EQ(d.CopyNodes("zz", nodeOut, &count), -1);
    count = -3;
    EXPECT_EQ(d.CopyNodes(nullptr, nodeOut, &count), 0);

    CameraInfo camOut[2];
    std::memset(camOut, 0x55, sizeof camOut);
    count = 2;
    EXPECT_EQ(d.CopyCameras("a", camOut, &count), 2);
    EXPECT_EQ(camOut[0].online, 1);
    EXPECT_EQ(camOut[1].online, 0);
    EXPECT_EQ(camOut[0].name[3], '\0');
    EXPECT_EQ(camOut[0].name[63], '\0');  // NUL-padded to the end
    EXPECT_EQ(d.CopyCameras(nullptr, camOut, &count), 0);
    EXPECT_EQ(d.CopyCameras("", camOut, &count), -1);
    EXPECT_EQ(d.CopyCameras("a", camOut, nullptr), -1);
    count = -1;
    EXPECT_EQ(d.CopyCameras("a", camOut, &count), 0);
    EXPECT_EQ(d.CameraCount(nullptr), 0);
    EXPECT_EQ(d.CameraCount(""), 0);
    EXPECT_EQ(d.CameraCount("zz"), -1);
}

TEST(Directory, FixedFieldsWithoutNulStayInsideTheirField) {
    Directory d;
    const std::string key36(36, 'K');
    Bytes nodes = NodeReply({{key36, std::string(36, 'N'), ""}});
    ASSERT_TRUE(d.ApplyNodeList(nodes.data(), nodes.size()));
    EXPECT_EQ(d.NodeCount(key36.c_str()), 0);
    EXPECT_EQ(NodeNames(d, nullptr), (std::vector<std::string>{std::string(36, 'N')}));
    CameraSpec cam{"cam", "Cam", key36};
    cam.relay = std::string(32, 'R');
    Bytes cams = CameraReply({cam});
    ASSERT_TRUE(d.ApplyCameraList(cams.data(), cams.size(), "h"));
    EXPECT_EQ(d.FindCamera("cam")->relayHost, std::string(31, 'R'));
}
