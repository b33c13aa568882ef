// Ten reusable buffers handed from one producer thread to one consumer
// thread. A buffer is always in exactly one place: the free list, the
// filled queue, or the hands of the producer or the consumer.
//
// Full: the producer's wait for a free buffer times out and yields nothing.
// Empty: the consumer's wait for a filled buffer times out likewise.
// Close: sets the closing flag and wakes both waits, which then yield
// nothing; the owner joins its threads before destroying the pool.
// Thread: Produce/AcquireFree/PushFilled on the producer thread,
// AcquireFilled/ReleaseFree on the consumer thread, Close on any.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Semaphore.h"

class Buffer {
public:
    explicit Buffer(uint32_t capacity);
    virtual ~Buffer() = default;

    // Copies `length` bytes, growing the block to exactly that size when it
    // is too small. False (buffer unchanged) when the block cannot grow.
    bool Assign(const uint8_t* data, uint32_t length);

    uint8_t kind = 0;
    uint32_t stamp = 0;
    uint64_t arrival = 0;  // tick when the producer took the data in
    uint32_t Capacity() const { return m_capacity; }
    uint32_t Length() const { return m_length; }
    const uint8_t* Data() const { return m_data.get(); }

private:
    uint32_t m_capacity;
    uint32_t m_length = 0;
    std::unique_ptr<uint8_t[]> m_data;
};

class BufferPool {
public:
    static constexpr int kBufferCount = 10;

    explicit BufferPool(uint32_t capacity);
    virtual ~BufferPool();
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // Producer: a free buffer, or null on time-out or closing.
    Buffer* AcquireFree(int timeoutMs);
    void PushFilled(Buffer* buffer);
    // Producer shortcut: fills a free buffer and queues it. False when no
    // buffer came in time or the data could not be stored (the buffer then
    // goes back to the free list).
    bool Produce(uint8_t kind, uint32_t stamp, const uint8_t* data, uint32_t length, int timeoutMs);

    // Consumer: the oldest filled buffer, or null on time-out or closing.
    Buffer* AcquireFilled(int timeoutMs);
    void ReleaseFree(Buffer* buffer);

    void Close();
    bool Closing() const { return m_closing.load(); }
    int FreeCount() const;
    int FilledCount() const;

private:
    std::vector<std::unique_ptr<Buffer>> m_all;  // owns every buffer

    mutable std::mutex m_freeLock;
    std::deque<Buffer*> m_free;  // guarded by m_freeLock
    mutable std::mutex m_filledLock;
    std::deque<Buffer*> m_filled;  // guarded by m_filledLock

    platform::Semaphore m_filledSem{0, kBufferCount};
    platform::Semaphore m_freeSem{kBufferCount, kBufferCount};
    std::atomic<bool> m_closing{false};
};
