// Fuzz target of the message decoder: any datagram must be decoded or refused without a
// fault; what decodes must encode again and decode to the same message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "snmp_message.h"

using namespace wsnmp;

namespace {

bool SameValue(const Value& a, const Value& b)
{
    return a.syntax == b.syntax && a.integer == b.integer && a.number == b.number &&
           a.bytes == b.bytes && a.oid == b.oid;
}

bool SameMessage(const Message& a, const Message& b)
{
    if (a.version != b.version || a.community != b.community || a.pdu.type != b.pdu.type ||
        a.pdu.requestId != b.pdu.requestId || a.pdu.errorStatus != b.pdu.errorStatus ||
        a.pdu.errorIndex != b.pdu.errorIndex || a.pdu.varbinds.size() != b.pdu.varbinds.size())
        return false;
    for (size_t i = 0; i < a.pdu.varbinds.size(); ++i)
        if (a.pdu.varbinds[i].name != b.pdu.varbinds[i].name ||
            !SameValue(a.pdu.varbinds[i].value, b.pdu.varbinds[i].value))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Message message;
    if (!DecodeMessage(data, size, message))
        return 0;
    Bytes again;
    if (!EncodeMessage(message, again))
        return 0;  // e.g. an identifier BER allows but SNMP names refuse
    Message back;
    if (!DecodeMessage(again.data(), again.size(), back) || !SameMessage(message, back))
        abort();
    if (message.pdu.type == 0xA4 && ConvertV1Trap(message.pdu)) {
        // What a v1 trap becomes must itself be a message the API can carry.
        message.version = kVersion2c;
        if (!EncodeMessage(message, again) || !DecodeMessage(again.data(), again.size(), back))
            abort();
    }
    return 0;
}
