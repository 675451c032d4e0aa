// Bounds-checked reading of BER (the subset SNMP uses): every read fails instead of reading
// past the end, and a failed reader stays failed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snmp_types.h"

namespace wsnmp {

class CBerReader {
public:
    CBerReader(const uint8_t* data, size_t size) : m_pos(data), m_end(data + size) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_end; }
    // The tag of the next element without consuming it; 0 (never a valid tag here) at the end.
    uint8_t peekTag() const { return (m_ok && m_pos < m_end) ? *m_pos : 0; }

    // Reads a tag and length; on success `inner` covers the contents and the reader moves past.
    bool readElement(uint8_t& tag, CBerReader& inner);
    // Reads an element that must carry the given tag.
    bool enter(uint8_t tag, CBerReader& inner);

    bool readInt32(uint8_t tag, int32_t& value);
    bool readUnsigned(uint8_t tag, unsigned maxBytes, uint64_t& value);
    bool readBytes(uint8_t tag, Bytes& value);
    bool readNull(uint8_t tag);
    bool readOid(Oid& value);

    // Contents decoders, usable on an element already split off.
    static bool decodeInt32(const CBerReader& contents, int32_t& value);
    static bool decodeUnsigned(const CBerReader& contents, unsigned maxBytes, uint64_t& value);
    static bool decodeOid(const CBerReader& contents, Oid& value);

    const uint8_t* begin() const { return m_pos; }
    size_t size() const { return static_cast<size_t>(m_end - m_pos); }

private:
    bool fail()
    {
        m_ok = false;
        return false;
    }
    bool readLength(size_t& length);

    const uint8_t* m_pos;
    const uint8_t* m_end;
    bool m_ok = true;
};

}  // namespace wsnmp
