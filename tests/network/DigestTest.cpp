#include <gtest/gtest.h>

#include "network/PasswordDigest.h"

// Expected values: MD5 (RFC 1321) of "QWMbaN:" + password, computed with an
// independent implementation.
TEST(PasswordDigest, MatchesReferenceMd5OfPrefixedPassword) {
    EXPECT_EQ(digest::PasswordDigest(""), "318517A88D802346FB61782EF9BAA1E4");
    EXPECT_EQ(digest::PasswordDigest("abc"), "A6F9538D03AEFFA1E65D403DCE173C6D");
    EXPECT_EQ(digest::PasswordDigest("message digest"), "ACF05120A4C1B42D2EE8464395FAE424");
    EXPECT_EQ(digest::PasswordDigest(std::string(36, 'x')), "61DF67BA0C83086108DDF8B0C48582C6");
}

TEST(PasswordDigest, AlwaysThirtyTwoUpperHexDigits) {
    for (const std::string& pw : {std::string(), std::string("demo"), std::string(36, '\xB0'),
                                  std::string(200, 'z')}) {
        std::string d = digest::PasswordDigest(pw);
        ASSERT_EQ(d.size(), 32u);
        for (char ch : d) EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F')) << d;
    }
}
