#include "sim/PacketWriter.h"

#include <cstring>
#include <stdexcept>

#include "common/WireFormat.h"

namespace sim {

PacketWriter::PacketWriter(uint32_t command, size_t length) : m_buf(length, 0) {
    if (length < 8) throw std::logic_error("packet shorter than its header");
    wire::PutU32(m_buf.data(), static_cast<uint32_t>(length));
    wire::PutU32(m_buf.data() + 4, command);
}

void PacketWriter::Check(size_t offset, size_t width) const {
    if (offset > m_buf.size() || width > m_buf.size() - offset)
        throw std::logic_error("packet field written past the packet's end");
}

void PacketWriter::U8(size_t offset, uint8_t v) { Check(offset, 1); m_buf[offset] = v; }
void PacketWriter::U16(size_t offset, uint16_t v) { Check(offset, 2); wire::PutU16(&m_buf[offset], v); }
void PacketWriter::U16BE(size_t offset, uint16_t v) { Check(offset, 2); wire::PutU16BE(&m_buf[offset], v); }
void PacketWriter::U32(size_t offset, uint32_t v) { Check(offset, 4); wire::PutU32(&m_buf[offset], v); }

void PacketWriter::Text(size_t offset, size_t size, const std::string& text) {
    Check(offset, size);
    wire::PutText(&m_buf[offset], size, text.c_str());
}

void PacketWriter::Bytes(size_t offset, const void* data, size_t size) {
    Check(offset, size);
    if (size) std::memcpy(&m_buf[offset], data, size);
}

}  // namespace sim
