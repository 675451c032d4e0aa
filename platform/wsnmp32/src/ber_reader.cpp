#include "ber_reader.h"

namespace wsnmp {

bool CBerReader::readLength(size_t& length)
{
    if (m_pos >= m_end)
        return fail();
    uint8_t first = *m_pos++;
    if (first < 0x80) {
        length = first;
    } else {
        unsigned count = first & 0x7F;
        // Indefinite lengths (0x80) are not allowed in SNMP; more than 4 bytes never fit.
        if (count == 0 || count > 4 || static_cast<size_t>(m_end - m_pos) < count)
            return fail();
        uint64_t value = 0;
        for (unsigned i = 0; i < count; ++i)
            value = (value << 8) | *m_pos++;
        if (value > SIZE_MAX)
            return fail();
        length = static_cast<size_t>(value);
    }
    if (length > static_cast<size_t>(m_end - m_pos))
        return fail();
    return true;
}

bool CBerReader::readElement(uint8_t& tag, CBerReader& inner)
{
    if (!m_ok || m_pos >= m_end)
        return fail();
    tag = *m_pos++;
    // Multi-byte tags never occur in SNMP.
    if ((tag & 0x1F) == 0x1F)
        return fail();
    size_t length = 0;
    if (!readLength(length))
        return false;
    inner = CBerReader(m_pos, length);
    m_pos += length;
    return true;
}

bool CBerReader::enter(uint8_t tag, CBerReader& inner)
{
    uint8_t actual = 0;
    if (!readElement(actual, inner))
        return false;
    if (actual != tag)
        return fail();
    return true;
}

bool CBerReader::decodeInt32(const CBerReader& contents, int32_t& value)
{
    size_t n = contents.size();
    if (n == 0 || n > 5)
        return false;
    const uint8_t* p = contents.begin();
    int64_t v = (p[0] & 0x80) ? -1 : 0;
    for (size_t i = 0; i < n; ++i)
        v = static_cast<int64_t>(static_cast<uint64_t>(v) << 8) | p[i];
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool CBerReader::decodeUnsigned(const CBerReader& contents, unsigned maxBytes, uint64_t& value)
{
    size_t n = contents.size();
    const uint8_t* p = contents.begin();
    if (n == 0)
        return false;
    // One leading zero byte may stand before a full-width value.
    if (n == maxBytes + 1u) {
        if (p[0] != 0)
            return false;
        ++p;
        --n;
    } else if (n > maxBytes) {
        return false;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    value = v;
    return true;
}

bool CBerReader::decodeOid(const CBerReader& contents, Oid& value)
{
    value.clear();
    const uint8_t* p = contents.begin();
    const uint8_t* end = p + contents.size();
    if (p == end)
        return false;
    bool first = true;
    while (p < end) {
        if (*p == 0x80)
            return false;  // a sub-identifier must not start with padding
        uint64_t sub = 0;
        for (;;) {
            if (p >= end)
                return false;  // the last sub-identifier ends mid-way
            uint8_t b = *p++;
            sub = (sub << 7) | (b & 0x7F);
            if (sub > UINT32_MAX + 80ull)
                return false;
            if (!(b & 0x80))
                break;
        }
        if (first) {
            first = false;
            uint32_t top = sub < 40 ? 0 : (sub < 80 ? 1 : 2);
            uint64_t second = sub - 40ull * top;
            if (second > UINT32_MAX)
                return false;
            value.push_back(top);
            value.push_back(static_cast<uint32_t>(second));
        } else {
            if (sub > UINT32_MAX)
                return false;
            value.push_back(static_cast<uint32_t>(sub));
        }
        if (value.size() > kMaxOidLength)
            return false;
    }
    return true;
}

bool CBerReader::readInt32(uint8_t tag, int32_t& value)
{
    CBerReader contents(nullptr, 0);
    if (!enter(tag, contents))
        return false;
    return decodeInt32(contents, value) || fail();
}

bool CBerReader::readUnsigned(uint8_t tag, unsigned maxBytes, uint64_t& value)
{
    CBerReader contents(nullptr, 0);
    if (!enter(tag, contents))
        return false;
    return decodeUnsigned(contents, maxBytes, value) || fail();
}

bool CBerReader::readBytes(uint8_t tag, Bytes& value)
{
    CBerReader contents(nullptr, 0);
    if (!enter(tag, contents))
        return false;
    value.assign(contents.begin(), contents.begin() + contents.size());
    return true;
}

bool CBerReader::readNull(uint8_t tag)
{
    CBerReader contents(nullptr, 0);
    if (!enter(tag, contents))
        return false;
    return contents.size() == 0 || fail();
}

bool CBerReader::readOid(Oid& value)
{
    CBerReader contents(nullptr, 0);
    if (!enter(0x06, contents))
        return false;
    return decodeOid(contents, value) || fail();
}

}  // namespace wsnmp
