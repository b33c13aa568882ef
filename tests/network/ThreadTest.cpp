#include <gtest/gtest.h>

#include <atomic>

#include "common/CThread.h"
#include "tests/support/TestSupport.h"

using namespace testing_support;

namespace {

class Counter : public CThread {
public:
    ~Counter() override { Stop(); }
    int Run() override {
        while (!StopRequested()) {
            ++ticks;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    }
    std::atomic<int> ticks{0};
};

// Ignores its stop request for a while, like a thread stuck in a call.
class Stubborn : public CThread {
public:
    Stubborn(std::atomic<bool>* release, std::atomic<bool>* destroyed)
        : m_release(release), m_destroyed(destroyed) {}
    ~Stubborn() override {
        Stop();
        *m_destroyed = true;
    }
    int Run() override {
        while (!*m_release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        touched = 1;  // the object must still be alive here
        return 0;
    }
    int touched = 0;

private:
    std::atomic<bool>* m_release;
    std::atomic<bool>* m_destroyed;
};

int Wrapped(void* user) {
    static_cast<std::atomic<int>*>(user)->store(42);
    return 0;
}

}  // namespace

TEST(CThread, StartRefusesASecondThreadUntilStopped) {
    Counter c;
    ASSERT_TRUE(c.Start());
    EXPECT_FALSE(c.Start());
    ASSERT_TRUE(WaitFor([&] { return c.ticks > 0; }));
    EXPECT_TRUE(c.IsRunning());
    c.Stop();
    EXPECT_FALSE(c.IsRunning());
    EXPECT_TRUE(c.Start());
}

TEST(CThread, WrapperRunsTheFunctionWithItsUserPointer) {
    std::atomic<int> value{0};
    CThreadWrapper w(&Wrapped, &value);
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(WaitFor([&] { return !w.IsRunning(); }));
    EXPECT_EQ(value, 42);
}

TEST(CThread, IgnoredStopIsAbandonedAndTheObjectOutlivesTheThread) {
    std::atomic<bool> release{false}, destroyed{false};
    auto owned = std::make_unique<Stubborn>(&release, &destroyed);
    Stubborn* raw = owned.get();
    ASSERT_TRUE(raw->Start());
    auto t0 = std::chrono::steady_clock::now();
    raw->Stop();
    auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    EXPECT_LT(waited, std::chrono::milliseconds(6500));
    EXPECT_TRUE(raw->IsAbandoned());
    EXPECT_TRUE(raw->IsRunning());

    CThread::Dispose(std::move(owned));
    EXPECT_FALSE(destroyed) << "freed under a running thread";
    release = true;
    EXPECT_TRUE(WaitFor([&] { return destroyed.load(); }));
}
