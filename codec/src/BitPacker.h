// Packs code words of 2 to 5 bits into bytes and back, most significant bit
// first: the first code word of a stream fills the top bits of the first
// byte. Bits that do not make a whole byte (or a whole code word) stay here
// for the next call.
//
// Thread: none of its own; one user at a time.
#pragma once

#include <cstdint>

namespace tamvox {

class BitPacker {
public:
    // Appends a code word of `width` bits. Returns true and stores the oldest
    // eight bits in *byte once a whole byte is ready.
    bool Put(unsigned code, int width, uint8_t* byte) {
        m_buffer = (m_buffer << width) | code;
        m_count += width;
        if (m_count < 8) return false;
        m_count -= 8;
        *byte = static_cast<uint8_t>(m_buffer >> m_count);
        return true;
    }

    // Reading side: whether a code word of `width` bits needs another byte.
    bool Needs(int width) const { return m_count < width; }
    void Feed(uint8_t byte) {
        m_buffer = (m_buffer << 8) | byte;
        m_count += 8;
    }
    // Takes the oldest code word of `width` bits; Needs(width) must be false.
    unsigned Take(int width) {
        m_count -= width;
        return (m_buffer >> m_count) & ((1u << width) - 1);
    }

private:
    uint32_t m_buffer = 0;  // older bits fall off the top; at most 12 are live
    int m_count = 0;        // bits held
};

}  // namespace tamvox
