#include "FrameSlot.h"

#include <SDL_timer.h>

#include <cstring>
#include <utility>

namespace kelvo {

size_t FrameSlot::I420Size(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return 0;
    const size_t w = size_t(width);
    const size_t h = size_t(height);
    const size_t cw = (w + 1) / 2;
    const size_t ch = (h + 1) / 2;
    return w * h + 2 * cw * ch;
}

bool FrameSlot::Store(const uint8_t* i420, int width, int height)
{
    const size_t size = I420Size(width, height);
    if (i420 == nullptr || size == 0)
        return false;

    std::vector<uint8_t> buffer;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        buffer.swap(m_spare);
    }
    // resize() of a recycled buffer keeps its capacity: no allocation in the
    // steady state. The copy runs without the lock so the UI never waits on it.
    buffer.resize(size);
    std::memcpy(buffer.data(), i420, size);

    std::lock_guard<std::mutex> guard(m_lock);
    m_pending.bytes.swap(buffer);
    m_pending.width = width;
    m_pending.height = height;
    m_pending.storedMs = SDL_GetTicks();
    m_fresh = true;
    m_reconnecting = false;
    m_failed = false;
    ++m_stored;
    // `buffer` now holds the replaced picture (or nothing): keep it for reuse.
    if (buffer.capacity() > m_spare.capacity())
        m_spare.swap(buffer);
    return true;
}

void FrameSlot::SetReconnecting(bool on)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_reconnecting = on;
    if (on)
        m_failed = false;
}

void FrameSlot::SetFailed(bool on)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_failed = on;
    if (on)
        m_reconnecting = false;
}

bool FrameSlot::Failed() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
}

bool FrameSlot::Reconnecting() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_reconnecting;
}

void FrameSlot::Reserve(int width, int height)
{
    const size_t size = I420Size(width, height);
    std::vector<uint8_t> buffer;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (size == 0 || m_spare.capacity() >= size)
            return;
        buffer.swap(m_spare);
    }
    buffer.reserve(size);
    std::lock_guard<std::mutex> guard(m_lock);
    if (buffer.capacity() > m_spare.capacity())
        m_spare.swap(buffer);
}

bool FrameSlot::TakeLatest(I420Frame* frame)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_fresh)
        return false;
    frame->bytes.swap(m_pending.bytes);
    frame->width = m_pending.width;
    frame->height = m_pending.height;
    frame->storedMs = m_pending.storedMs;
    m_fresh = false;
    // What came back is the previously drawn picture's buffer.
    if (m_pending.bytes.capacity() > m_spare.capacity())
        m_spare.swap(m_pending.bytes);
    m_pending.bytes.clear();
    return true;
}

uint64_t FrameSlot::StoredCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stored;
}

}  // namespace kelvo
