#include <gtest/gtest.h>

#include "SessionTexts.h"
#include "TitlePath.h"

using kelvo::LastTitleComponent;
using kelvo::SplitTitlePath;

TEST(TitlePath, SplitsByCharactersNotBytes) {
    // 筡 is B9 5C in GBK: its second byte is a backslash and must not split.
    const std::string yun = "\xB9\x5C";
    const std::string path = "\xB1\xB1\xBE\xA9\\" + yun + "\xBA\xD3\\cam";
    auto parts = SplitTitlePath(path);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], "\xB1\xB1\xBE\xA9");
    EXPECT_EQ(parts[1], yun + "\xBA\xD3");
    EXPECT_EQ(parts[2], "cam");
    EXPECT_EQ(LastTitleComponent("plain"), "plain");
    EXPECT_EQ(LastTitleComponent("a\\b\\" + yun), yun);
    EXPECT_EQ(SplitTitlePath("a\\\\b").size(), 3u);  // empty parts kept
    // A lead byte at the very end has no trail byte to take.
    EXPECT_EQ(LastTitleComponent("x\\\xB9"), "\xB9");
}

TEST(TitlePath, SearchMatchesWholeCharactersAndFoldsLatinCase) {
    using kelvo::ContainsGbk;
    // 81 61 is one GBK character whose trail byte is the letter 'a'.
    const std::string trailA = "\x81\x61";
    EXPECT_FALSE(ContainsGbk(trailA, "a"));
    EXPECT_FALSE(ContainsGbk(trailA, "A"));
    EXPECT_TRUE(ContainsGbk("x" + trailA + "A", "a"));
    // A match may not start on a trail byte either: B9 5C then 5C is not "\\" + ...
    EXPECT_FALSE(ContainsGbk("\xB9\x5C" "b", "\\b"));
    EXPECT_TRUE(ContainsGbk("Site\\\xB9\x5C" "Gate", "\xB9\x5Cga"));
    EXPECT_TRUE(ContainsGbk("North Gate", "gATE"));
    EXPECT_TRUE(ContainsGbk("anything", ""));
    EXPECT_FALSE(ContainsGbk("", "a"));
    EXPECT_FALSE(ContainsGbk("gat", "gate"));
    // Two-byte characters compare exactly (no case folding on their bytes).
    EXPECT_FALSE(ContainsGbk("\xB1\xB1", "\xB1\x91"));
}

TEST(SessionTexts, EveryFailureHasItsText) {
    EXPECT_EQ(kelvo::SessionErrorText(1026, 7), "用户名或者密码错误，请重新输入！");
    EXPECT_EQ(kelvo::SessionErrorText(1026, 9), kelvo::SessionErrorText(1026, 24));
    EXPECT_EQ(kelvo::SessionErrorText(1026, 5), "未预知的错误(5)，请稍后重试！");
    EXPECT_EQ(kelvo::SessionErrorText(1025, 0), kelvo::SessionErrorText(1027, 3));
    EXPECT_EQ(kelvo::SessionErrorText(1028, 0), "账号已经过期或者锁定，请和管理员联系！");
    EXPECT_EQ(kelvo::SessionErrorText(516, 0), "设备通道已占用，请稍候再试！");
    EXPECT_EQ(kelvo::SessionErrorText(42, 0), "系统出现不可预知的错误，请和开发商联系!");
}

TEST(WallGrowth, TheFirstGridThatFits) {
    int c = 0, r = 0;
    const struct {
        int n, columns, rows;
    } cases[] = {{1, 1, 1}, {2, 2, 2}, {4, 2, 2}, {5, 3, 3}, {10, 4, 3}, {12, 4, 3}, {13, 4, 4},
                 {17, 5, 5}, {26, 6, 6}, {37, 7, 7}, {50, 8, 8}, {64, 8, 8}};
    for (const auto& k : cases) {
        ASSERT_TRUE(kelvo::GridForCount(k.n, &c, &r)) << k.n;
        EXPECT_EQ(c, k.columns) << k.n;
        EXPECT_EQ(r, k.rows) << k.n;
        EXPECT_GE(c * r, k.n);
    }
    EXPECT_FALSE(kelvo::GridForCount(65, &c, &r));
}

#include <sys/stat.h>

#include <cstdlib>

#include "MediaFolders.h"

TEST(MediaFolders, ServerNamesNeverEscapeTheBase) {
    EXPECT_EQ(kelvo::SafeFolderName(".."), "_");
    EXPECT_EQ(kelvo::SafeFolderName(""), "_");
    EXPECT_EQ(kelvo::SafeFolderName("a/b"), "a_b");
    EXPECT_EQ(kelvo::SafeFolderName("x\x01y\x7F"), "x_y_");
    EXPECT_EQ(kelvo::SafeFolderName("\xB1\xB1\xBE\xA9"), "\xE5\x8C\x97\xE4\xBA\xAC");  // 北京 in UTF-8
    // 200 two-byte characters: 600 bytes of UTF-8, cut at a character edge.
    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "\xB1\xB1";
    const std::string cut = kelvo::SafeFolderName(longName);
    EXPECT_LE(cut.size(), 255u);
    EXPECT_EQ(cut.size() % 3, 0u);

    char tmpl[] = "/tmp/kelvo-folders-XXXXXX";
    const std::string base = mkdtemp(tmpl);
    const std::string made = kelvo::MakeTitleFolder(base + "/pics/deep", "site\\..\\\xB9\x5C\\cam");
    EXPECT_EQ(made, base + "/pics/deep/site/_/\xE7\xAD\xA1/cam/");  // 筡 (B9 5C) is one component
    struct stat st;
    EXPECT_EQ(stat(made.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(kelvo::MakeTitleFolder("relative/dir", "cam"), "");
    EXPECT_EQ(kelvo::MakeTitleFolder("/proc/forbidden", "cam"), "");
    std::string rm = "rm -rf '" + base + "'";
    EXPECT_EQ(std::system(rm.c_str()), 0);
}
