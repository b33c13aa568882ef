#pragma once
#include "IAudioCodec.h"

#include <atomic>
#include <cstring>

namespace kelvo::testing {

// Pass-through coder: the "coded" bytes are the PCM itself. Fails on the
// chosen call (1-based; 0 = never) and counts calls.
// Thread: counters are atomic.
class FakeAudioCoder : public IAudioEncoder, public IAudioDecoder {
public:
    void FailOnCall(int n) { m_failOn = n; }
    int Calls() const { return m_calls; }

    bool Encode(const uint8_t* pcm, int bytes, uint8_t* out, int* inOutLen) override {
        return Copy(pcm, bytes, out, inOutLen);
    }
    bool Decode(const uint8_t* coded, int bytes, uint8_t* out, int* inOutLen) override {
        return Copy(coded, bytes, out, inOutLen);
    }

private:
    bool Copy(const uint8_t* in, int bytes, uint8_t* out, int* inOutLen) {
        const int n = ++m_calls;
        if (!inOutLen) return false;
        const int capacity = *inOutLen;
        *inOutLen = 0;
        if (!in || !out || bytes <= 0 || bytes > capacity || n == m_failOn) return false;
        std::memcpy(out, in, size_t(bytes));
        *inOutLen = bytes;
        return true;
    }
    std::atomic<int> m_failOn{0};
    std::atomic<int> m_calls{0};
};

}  // namespace kelvo::testing
