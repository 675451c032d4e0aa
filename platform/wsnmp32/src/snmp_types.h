// The API's objects as the DLL keeps them inside: values, bindings, PDUs and messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wsnmp {

using Oid = std::vector<uint32_t>;

// The most sub-identifiers of an identifier (MAXOBJIDSIZE): longer ones are refused everywhere.
const size_t kMaxOidLength = 128;
using Bytes = std::vector<uint8_t>;

// One value; `syntax` is an SNMP_SYNTAX_* tag and selects the field that holds it.
struct Value {
    uint32_t syntax = 0x05;  // NULL
    int32_t integer = 0;     // INT
    uint64_t number = 0;     // CNTR32, GAUGE32, TIMETICKS, UINT32, CNTR64
    Bytes bytes;             // OCTETS, BITS, IPADDR, OPAQUE, NSAPADDR
    Oid oid;                 // OID
};

struct VarBind {
    Oid name;
    Value value;
};

using VarBindList = std::vector<VarBind>;

// A PDU; for GETBULK errorStatus and errorIndex hold non-repeaters and max-repetitions.
// The v1 trap fields are used only by SNMP_PDU_V1TRAP.
struct Pdu {
    int32_t type = 0xA0;
    int32_t requestId = 0;
    int32_t errorStatus = 0;
    int32_t errorIndex = 0;
    VarBindList varbinds;
    Oid enterprise;
    uint8_t agentAddress[4] = {0, 0, 0, 0};
    int32_t genericTrap = 0;
    int32_t specificTrap = 0;
    uint32_t timeStamp = 0;
};

// Message versions as they travel: 0 SNMPv1, 1 SNMPv2c.
enum : int32_t { kVersion1 = 0, kVersion2c = 1 };

struct Message {
    int32_t version = kVersion1;
    Bytes community;
    Pdu pdu;
};

}  // namespace wsnmp
