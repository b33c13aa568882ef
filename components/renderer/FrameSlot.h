#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kelvo {

// A planar I420 picture: Y, then U and V of (width+1)/2 x (height+1)/2.
struct I420Frame {
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    uint32_t storedMs = 0;  // SDL ticks when it entered the slot
};

// The latest-picture slot of one view, handed from a stream's render thread
// to the UI thread. Holds one picture: a newer one replaces an undrawn one,
// so a slow UI never builds a queue. The picture is copied once, outside the
// lock; buffers are recycled between writer and reader.
// Thread: any for Store/SetReconnecting; TakeLatest from the one drawing thread.
class FrameSlot {
public:
    static constexpr int kMaxSide = 8192;

    // Bytes of an I420 picture of that size; 0 when the size is not accepted.
    static size_t I420Size(int width, int height);

    // Copies the picture in; false (nothing changed) for a null picture or a
    // size outside 1..kMaxSide. Clears the reconnecting state.
    // Thread: any; blocks only for two buffer swaps.
    bool Store(const uint8_t* i420, int width, int height);

    // Thread: any.
    void SetReconnecting(bool on);
    bool Reconnecting() const;
    // The stream gave up (connect failed, login refused); cleared like the
    // reconnecting state. Thread: any.
    void SetFailed(bool on);
    bool Failed() const;

    // Pre-sizes the spare buffer for pictures of this size. Thread: any.
    void Reserve(int width, int height);

    // Moves the picture stored since the last call into *frame (its previous
    // buffer goes back for reuse); false when there is none.
    // Thread: the drawing thread.
    bool TakeLatest(I420Frame* frame);

    // Pictures stored so far (replaced ones included). Thread: any.
    uint64_t StoredCount() const;

private:
    mutable std::mutex m_lock;
    // --- guarded by m_lock
    I420Frame m_pending;          // newest picture, valid when m_fresh
    std::vector<uint8_t> m_spare; // recycled buffer for the next Store
    bool m_fresh = false;
    bool m_reconnecting = false;
    bool m_failed = false;
    uint64_t m_stored = 0;
};

}  // namespace kelvo
