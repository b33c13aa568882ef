#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kelvo {

// One decoded picture, planar I420: Y, then U and V of (w+1)/2 x (h+1)/2.
struct PlayerPicture {
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    double position = 0;   // seconds from the start of the file
    uint64_t sequence = 0; // 1 for the first picture stored in the slot
};

// The latest-picture slot between a player's decode thread and the drawing
// thread: a newer picture replaces one not yet drawn, so a slow UI never
// builds a queue.
// Thread: any; every call holds the lock only for a copy or a swap.
class PictureSlot {
public:
    // Copies three planes in; false for an empty or oversized picture.
    bool Store(const uint8_t* const planes[3], const int strides[3], int width, int height,
               double position);
    // Copies the picture if it was stored after `seenSequence`; false when
    // there is none newer.
    bool TakeNewer(uint64_t seenSequence, PlayerPicture* out);
    // Copies the latest picture; false when none was ever stored.
    bool Copy(PlayerPicture* out) const;
    uint64_t Sequence() const;

    static constexpr int kMaxSide = 8192;

private:
    mutable std::mutex m_lock;
    // --- guarded by m_lock
    PlayerPicture m_latest;
};

}  // namespace kelvo
