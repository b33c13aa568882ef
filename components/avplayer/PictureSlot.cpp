#include "PictureSlot.h"

#include <cstring>

namespace kelvo {

bool PictureSlot::Store(const uint8_t* const planes[3], const int strides[3], int width, int height,
                        double position) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    PlayerPicture next;
    next.bytes.resize(static_cast<size_t>(width) * height + 2 * static_cast<size_t>(cw) * ch);
    uint8_t* dst = next.bytes.data();
    const int widths[3] = {width, cw, cw};
    const int heights[3] = {height, ch, ch};
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < heights[p]; ++y) {
            std::memcpy(dst, planes[p] + static_cast<ptrdiff_t>(y) * strides[p], widths[p]);
            dst += widths[p];
        }
    }
    next.width = width;
    next.height = height;
    next.position = position;
    std::lock_guard<std::mutex> lock(m_lock);
    next.sequence = m_latest.sequence + 1;
    m_latest = std::move(next);
    return true;
}

bool PictureSlot::TakeNewer(uint64_t seenSequence, PlayerPicture* out) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_latest.sequence <= seenSequence || m_latest.bytes.empty()) return false;
    *out = m_latest;
    return true;
}

bool PictureSlot::Copy(PlayerPicture* out) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_latest.sequence == 0) return false;
    *out = m_latest;
    return true;
}

uint64_t PictureSlot::Sequence() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_latest.sequence;
}

}  // namespace kelvo
