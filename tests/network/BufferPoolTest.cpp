#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>

#include "network/BufferPool.h"
#include "tests/support/TestSupport.h"

TEST(BufferPool, HandsOverEveryBufferOnceBetweenTwoThreads) {
    BufferPool pool(64);
    constexpr uint32_t kCount = 100000;
    std::set<const Buffer*> seen;
    uint32_t expected = 0;
    bool ordered = true;
    std::thread consumer([&] {
        while (expected < kCount) {
            Buffer* b = pool.AcquireFilled(1000);
            if (!b) break;
            seen.insert(b);
            uint32_t payload;
            std::memcpy(&payload, b->Data(), sizeof payload);
            if (b->stamp != expected || payload != expected || b->Length() != 4) ordered = false;
            ++expected;
            pool.ReleaseFree(b);
        }
    });
    for (uint32_t i = 0; i < kCount; ++i) {
        uint8_t data[4];
        std::memcpy(data, &i, 4);
        ASSERT_TRUE(pool.Produce(1, i, data, 4, 1000)) << i;
    }
    consumer.join();
    EXPECT_EQ(expected, kCount);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(seen.size(), static_cast<size_t>(BufferPool::kBufferCount));
    EXPECT_EQ(pool.FreeCount(), BufferPool::kBufferCount);
    EXPECT_EQ(pool.FilledCount(), 0);
}

TEST(BufferPool, ProducerTimesOutWhenAllBuffersAreFilled) {
    BufferPool pool(16);
    uint8_t byte = 1;
    for (int i = 0; i < BufferPool::kBufferCount; ++i) ASSERT_TRUE(pool.Produce(0, i, &byte, 1, 0));
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(pool.Produce(0, 99, &byte, 1, 60));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(55));
    EXPECT_EQ(pool.FilledCount(), BufferPool::kBufferCount);
}

TEST(BufferPool, GrowsABufferForALargerFrame) {
    BufferPool pool(4);
    std::vector<uint8_t> frame(1000, 0xAB);
    ASSERT_TRUE(pool.Produce(1, 7, frame.data(), 1000, 0));
    Buffer* b = pool.AcquireFilled(0);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Length(), 1000u);
    EXPECT_GE(b->Capacity(), 1000u);
    EXPECT_EQ(std::vector<uint8_t>(b->Data(), b->Data() + 1000), frame);
    pool.ReleaseFree(b);
}

TEST(BufferPool, CloseEndsBothWaits) {
    {
        BufferPool empty(8);
        std::atomic<bool> done{false};
        std::thread consumer([&] {
            EXPECT_EQ(empty.AcquireFilled(-1), nullptr);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done);
        empty.Close();
        EXPECT_TRUE(testing_support::WaitFor([&] { return done.load(); }, 2000));
        consumer.join();
    }
    {
        BufferPool full(8);
        uint8_t byte = 0;
        for (int i = 0; i < BufferPool::kBufferCount; ++i) ASSERT_TRUE(full.Produce(0, 0, &byte, 1, 0));
        std::atomic<bool> done{false};
        std::thread producer([&] {
            EXPECT_FALSE(full.Produce(0, 0, &byte, 1, -1));
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done);
        full.Close();
        EXPECT_TRUE(testing_support::WaitFor([&] { return done.load(); }, 2000));
        producer.join();
        // A closed pool gives nothing, even with buffers queued.
        EXPECT_EQ(full.AcquireFilled(0), nullptr);
    }
}
