// SNMPv1 and SNMPv2c messages to and from their BER bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snmp_types.h"

namespace wsnmp {

// True for a syntax tag that a binding's value may carry.
bool IsKnownSyntax(uint32_t syntax);

// Decodes one datagram. False for anything that is not exactly one well-formed SNMPv1 or
// SNMPv2c message (trailing bytes, other versions and unknown PDU types included).
bool DecodeMessage(const uint8_t* data, size_t size, Message& out);

// Encodes a message; false when a binding cannot be carried (bad identifier or syntax).
bool EncodeMessage(const Message& message, Bytes& out);

// Rewrites a v1 trap PDU as the SNMPv2 trap it stands for; false (the PDU unchanged) when its
// snmpTrapOID would be longer than any identifier the API accepts elsewhere.
bool ConvertV1Trap(Pdu& pdu);

}  // namespace wsnmp
