// Writing BER elements (the subset SNMP uses) into a byte vector.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snmp_types.h"

namespace wsnmp {

class CBerWriter {
public:
    // Appends tag, length and contents.
    static void element(Bytes& out, uint8_t tag, const Bytes& contents);
    static void int32(Bytes& out, uint8_t tag, int32_t value);
    static void unsignedNumber(Bytes& out, uint8_t tag, uint64_t value);
    static void bytes(Bytes& out, uint8_t tag, const Bytes& value);
    static void null(Bytes& out, uint8_t tag);
    // False for an identifier that BER cannot carry (fewer than two parts, bad first arcs).
    static bool oid(Bytes& out, const Oid& value);

private:
    static void length(Bytes& out, size_t n);
};

}  // namespace wsnmp
