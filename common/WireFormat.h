// Little-endian field access and bounded text copies for the wire formats.
// Every reader takes the field's size as its limit: a received text field
// without a NUL is never read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace wire {

inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
// Network order, for the relay's 16-bit result codes.
inline uint16_t GetU16BE(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void PutU16BE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

// Length of a text field of `size` bytes: up to its first NUL, at most `size`.
inline size_t FieldLength(const uint8_t* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - field) : size;
}

// Reads a fixed-size text field into a std::string (never past the field).
inline std::string GetText(const uint8_t* field, size_t size) {
    return std::string(reinterpret_cast<const char*>(field), FieldLength(field, size));
}

// Copies a received text field into a C buffer of `outSize` bytes: at most
// outSize-1 characters and a NUL. Returns the characters copied.
inline size_t CopyText(char* out, size_t outSize, const uint8_t* field, size_t fieldSize) {
    if (outSize == 0) return 0;
    size_t n = FieldLength(field, fieldSize);
    if (n > outSize - 1) n = outSize - 1;
    std::memcpy(out, field, n);
    out[n] = '\0';
    return n;
}

// Writes a C string into a field of `size` bytes, NUL-padded. At most
// size-1 characters are kept so the field always ends in a NUL.
inline void PutText(uint8_t* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    if (!text || size == 0) return;
    size_t n = strnlen(text, size - 1);
    std::memcpy(field, text, n);
}

// A zeroed packet of `length` bytes with its 8-byte head filled in.
inline std::vector<uint8_t> NewPacket(uint32_t length, uint32_t command) {
    std::vector<uint8_t> b(length, 0);
    PutU32(b.data(), length);
    PutU32(b.data() + 4, command);
    return b;
}

// Cursor over a received message that refuses reads past its end.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t Size() const { return m_size; }
    bool Has(size_t offset, size_t width) const {
        return offset <= m_size && width <= m_size - offset;
    }
    const uint8_t* At(size_t offset) const { return m_data + offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
};

}  // namespace wire
