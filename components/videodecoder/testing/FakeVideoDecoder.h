#pragma once
#include "IVideoDecoder.h"

#include <atomic>
#include <cstring>

namespace kelvo::testing {

// Decoder stand-in: every call "decodes" into a flat picture whose luma is
// the call number (mod 256); chosen calls fail. Counts calls.
// Thread: counters are atomic, so a test thread may read them while the
// render thread decodes.
class FakeVideoDecoder : public IVideoDecoder {
public:
    FakeVideoDecoder(int width, int height) : m_width(width), m_height(height) {}

    // Call number (1-based) that returns 0; 0 = never. Negative = every call.
    void FailOnCall(int n) { m_failOn = n; }

    int Decode(const uint8_t* frame, int bytes, uint8_t* out, int outCapacity) override {
        const int n = ++m_calls;
        const int need = I420PictureBytes(m_width, m_height);
        if (!frame || bytes <= 0 || !out || outCapacity < need) return 0;
        if (m_failOn < 0 || m_failOn == n) return 0;
        const size_t luma = size_t(m_width) * m_height;
        std::memset(out, n & 0xFF, luma);
        std::memset(out + luma, 128, size_t(need) - luma);
        ++m_pictures;
        return need;
    }
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }

    int Calls() const { return m_calls; }
    int Pictures() const { return m_pictures; }

private:
    const int m_width;
    const int m_height;
    std::atomic<int> m_failOn{0};
    std::atomic<int> m_calls{0};
    std::atomic<int> m_pictures{0};
};

}  // namespace kelvo::testing
