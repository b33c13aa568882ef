#include "network/BufferPool.h"

#include <cstring>
#include <new>

Buffer::Buffer(uint32_t capacity)
    : m_capacity(capacity), m_data(capacity ? new uint8_t[capacity]() : nullptr) {}

bool Buffer::Assign(const uint8_t* data, uint32_t length) {
    if (length > m_capacity) {
        std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[length]);
        if (!grown) return false;
        m_data = std::move(grown);
        m_capacity = length;
    }
    if (length) std::memcpy(m_data.get(), data, length);
    m_length = length;
    return true;
}

BufferPool::BufferPool(uint32_t capacity) {
    for (int i = 0; i < kBufferCount; ++i) {
        m_all.push_back(std::make_unique<Buffer>(capacity));
        m_free.push_back(m_all.back().get());
    }
}

BufferPool::~BufferPool() {
    Close();
    std::lock_guard<std::mutex> a(m_filledLock);
    std::lock_guard<std::mutex> b(m_freeLock);
    m_filled.clear();
    m_free.clear();
}

void BufferPool::Close() {
    m_closing.store(true);
    m_freeSem.WakeAll();
    m_filledSem.WakeAll();
}

Buffer* BufferPool::AcquireFree(int timeoutMs) {
    if (m_closing.load() || !m_freeSem.Wait(timeoutMs) || m_closing.load()) return nullptr;
    std::lock_guard<std::mutex> lock(m_freeLock);
    if (m_free.empty()) return nullptr;
    Buffer* buffer = m_free.front();
    m_free.pop_front();
    return buffer;
}

void BufferPool::PushFilled(Buffer* buffer) {
    {
        std::lock_guard<std::mutex> lock(m_filledLock);
        m_filled.push_back(buffer);
    }
    m_filledSem.Release();
}

bool BufferPool::Produce(uint8_t kind, uint32_t stamp, const uint8_t* data, uint32_t length,
                         int timeoutMs) {
    Buffer* buffer = AcquireFree(timeoutMs);
    if (!buffer) return false;
    buffer->kind = kind;
    buffer->stamp = stamp;
    if (!buffer->Assign(data, length)) {
        ReleaseFree(buffer);
        return false;
    }
    PushFilled(buffer);
    return true;
}

Buffer* BufferPool::AcquireFilled(int timeoutMs) {
    if (m_closing.load() || !m_filledSem.Wait(timeoutMs) || m_closing.load()) return nullptr;
    std::lock_guard<std::mutex> lock(m_filledLock);
    if (m_filled.empty()) return nullptr;
    Buffer* buffer = m_filled.front();
    m_filled.pop_front();
    return buffer;
}

void BufferPool::ReleaseFree(Buffer* buffer) {
    {
        std::lock_guard<std::mutex> lock(m_freeLock);
        m_free.push_back(buffer);
    }
    m_freeSem.Release();
}

int BufferPool::FreeCount() const {
    std::lock_guard<std::mutex> lock(m_freeLock);
    return static_cast<int>(m_free.size());
}

int BufferPool::FilledCount() const {
    std::lock_guard<std::mutex> lock(m_filledLock);
    return static_cast<int>(m_filled.size());
}
