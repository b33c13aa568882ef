// Builds one outgoing packet: header filled in, fields written through the
// little-endian helpers, never past the packet's end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class PacketWriter {
public:
    PacketWriter(uint32_t command, size_t length);
    void U8(size_t offset, uint8_t v);
    void U16(size_t offset, uint16_t v);
    void U16BE(size_t offset, uint16_t v);
    void U32(size_t offset, uint32_t v);
    // NUL-padded text field of `size` bytes; at most size-1 bytes of text.
    void Text(size_t offset, size_t size, const std::string& text);
    void Bytes(size_t offset, const void* data, size_t size);
    // Overrides the length field (malformed-packet faults).
    void SetLengthField(uint32_t v) { U32(0, v); }
    std::vector<uint8_t> Take() { return std::move(m_buf); }
    size_t Size() const { return m_buf.size(); }

private:
    void Check(size_t offset, size_t width) const;
    std::vector<uint8_t> m_buf;
};

}  // namespace sim
