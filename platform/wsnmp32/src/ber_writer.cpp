#include "ber_writer.h"

namespace wsnmp {

void CBerWriter::length(Bytes& out, size_t n)
{
    if (n < 0x80) {
        out.push_back(static_cast<uint8_t>(n));
        return;
    }
    uint8_t buf[sizeof(size_t)];
    unsigned count = 0;
    while (n) {
        buf[count++] = static_cast<uint8_t>(n & 0xFF);
        n >>= 8;
    }
    out.push_back(static_cast<uint8_t>(0x80 | count));
    while (count)
        out.push_back(buf[--count]);
}

void CBerWriter::element(Bytes& out, uint8_t tag, const Bytes& contents)
{
    out.push_back(tag);
    length(out, contents.size());
    out.insert(out.end(), contents.begin(), contents.end());
}

void CBerWriter::int32(Bytes& out, uint8_t tag, int32_t value)
{
    Bytes c;
    int shift = 24;
    // Drop leading bytes that only repeat the sign.
    while (shift > 0) {
        int32_t top = value >> (shift - 1);
        if (top != 0 && top != -1)
            break;
        shift -= 8;
    }
    for (; shift >= 0; shift -= 8)
        c.push_back(static_cast<uint8_t>((static_cast<uint32_t>(value) >> shift) & 0xFF));
    element(out, tag, c);
}

void CBerWriter::unsignedNumber(Bytes& out, uint8_t tag, uint64_t value)
{
    Bytes c;
    int shift = 56;
    while (shift > 0 && ((value >> shift) & 0xFF) == 0)
        shift -= 8;
    if ((value >> shift) & 0x80)
        c.push_back(0);
    for (; shift >= 0; shift -= 8)
        c.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    element(out, tag, c);
}

void CBerWriter::bytes(Bytes& out, uint8_t tag, const Bytes& value)
{
    element(out, tag, value);
}

void CBerWriter::null(Bytes& out, uint8_t tag)
{
    out.push_back(tag);
    out.push_back(0);
}

bool CBerWriter::oid(Bytes& out, const Oid& value)
{
    if (value.size() < 2 || value[0] > 2 || (value[0] < 2 && value[1] >= 40))
        return false;
    Bytes c;
    auto put = [&c](uint64_t sub) {
        uint8_t buf[10];
        unsigned count = 0;
        do {
            buf[count++] = static_cast<uint8_t>(sub & 0x7F);
            sub >>= 7;
        } while (sub);
        while (count > 1)
            c.push_back(static_cast<uint8_t>(buf[--count] | 0x80));
        c.push_back(buf[0]);
    };
    put(40ull * value[0] + value[1]);
    for (size_t i = 2; i < value.size(); ++i)
        put(value[i]);
    element(out, 0x06, c);
    return true;
}

}  // namespace wsnmp
