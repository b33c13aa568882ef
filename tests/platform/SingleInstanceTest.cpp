#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/ProgramDir.h"
#include "platform/SingleInstance.h"

namespace {

class RuntimeDir : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvo-runtime-XXXXXX";
        m_dir = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override {
        std::string rm = "rm -rf '" + m_dir + "'";
        EXPECT_EQ(std::system(rm.c_str()), 0);
    }
    std::string m_dir;
};

}  // namespace

TEST_F(RuntimeDir, SecondCopyFindsTheFirstAndAsksItToRaise) {
    std::atomic<int> raised{0};
    auto first = std::make_unique<platform::SingleInstance>("copy-test");
    ASSERT_TRUE(first->Acquire());
    EXPECT_EQ(first->LockPath(), m_dir + "/copy-test.lock");
    ASSERT_TRUE(first->Listen([&] { ++raised; }));

    platform::SingleInstance second("copy-test");
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.AlreadyRunning());
    EXPECT_FALSE(second.Failed());
    EXPECT_TRUE(second.AskFirstToRaise());
    EXPECT_EQ(raised, 1);

    // The first copy goes away (or dies): the next one starts normally.
    first.reset();
    platform::SingleInstance third("copy-test");
    EXPECT_TRUE(third.Acquire());
    EXPECT_FALSE(third.AskFirstToRaise(200));  // nobody listens any more
}

TEST_F(RuntimeDir, AnUnusableRuntimeFolderIsAFailureNotASecondCopy) {
    setenv("XDG_RUNTIME_DIR", "/proc/no-such-dir", 1);
    platform::SingleInstance copy("copy-test");
    EXPECT_FALSE(copy.Acquire());
    EXPECT_TRUE(copy.Failed());
    EXPECT_FALSE(copy.AlreadyRunning());
}

TEST(ProgramDir, IsTheFolderOfTheRunningBinary) {
    const std::string dir = platform::ProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir[0], '/');
    EXPECT_EQ(access((dir + "/single_instance_test").c_str(), X_OK), 0) << dir;
    EXPECT_TRUE(platform::IsWritableDir("/tmp"));
    EXPECT_FALSE(platform::IsWritableDir("/proc/no-such-dir"));
}
