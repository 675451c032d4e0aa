#include "smi_values.h"

#include <windows.h>

#include <cstring>

#include "snmp_message.h"

namespace wsnmp {

void* AllocDescriptor(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
}

void FreeDescriptorMemory(void* p)
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

bool OidFromSmi(smiLPCOID in, Oid& out, uint32_t& error)
{
    error = SNMPAPI_OID_INVALID;
    if (!in || in->len < 2 || in->len > MAXOBJIDSIZE || !in->ptr)
        return false;
    if (in->ptr[0] > 2 || (in->ptr[0] < 2 && in->ptr[1] >= 40))
        return false;
    out.assign(in->ptr, in->ptr + in->len);
    return true;
}

bool ValueFromSmi(smiLPCVALUE in, Value& out, uint32_t& error)
{
    out = Value();
    if (!in)
        return true;  // no value: NULL
    error = SNMPAPI_SYNTAX_INVALID;
    if (!IsKnownSyntax(in->syntax))
        return false;
    out.syntax = in->syntax;
    switch (in->syntax) {
    case SNMP_SYNTAX_INT:
        out.integer = static_cast<int32_t>(in->value.sNumber);
        return true;
    case SNMP_SYNTAX_CNTR32:
    case SNMP_SYNTAX_GAUGE32:
    case SNMP_SYNTAX_TIMETICKS:
    case SNMP_SYNTAX_UINT32:
        out.number = in->value.uNumber;
        return true;
    case SNMP_SYNTAX_CNTR64:
        out.number =
            (static_cast<uint64_t>(in->value.hNumber.hipart) << 32) | in->value.hNumber.lopart;
        return true;
    case SNMP_SYNTAX_OID:
        if (!OidFromSmi(&in->value.oid, out.oid, error)) {
            error = SNMPAPI_SYNTAX_INVALID;
            return false;
        }
        return true;
    case SNMP_SYNTAX_OCTETS:
    case SNMP_SYNTAX_BITS:
    case SNMP_SYNTAX_OPAQUE:
    case SNMP_SYNTAX_NSAPADDR:
    case SNMP_SYNTAX_IPADDR:
        if (in->value.string.len > 65535 || (in->value.string.len && !in->value.string.ptr))
            return false;
        if (in->syntax == SNMP_SYNTAX_IPADDR && in->value.string.len != 4)
            return false;
        out.bytes.assign(in->value.string.ptr, in->value.string.ptr + in->value.string.len);
        return true;
    default:
        return true;  // NULL and the exceptions carry nothing
    }
}

bool OidToSmi(const Oid& in, smiOID& out)
{
    out.len = 0;
    out.ptr = nullptr;
    auto* p = static_cast<smiLPUINT32>(AllocDescriptor(in.size() * sizeof(smiUINT32)));
    if (!p)
        return false;
    for (size_t i = 0; i < in.size(); ++i)
        p[i] = in[i];
    out.len = static_cast<smiUINT32>(in.size());
    out.ptr = p;
    return true;
}

bool ValueToSmi(const Value& in, smiVALUE& out)
{
    std::memset(&out, 0, sizeof(out));
    out.syntax = in.syntax;
    switch (in.syntax) {
    case SNMP_SYNTAX_INT:
        out.value.sNumber = in.integer;
        return true;
    case SNMP_SYNTAX_CNTR32:
    case SNMP_SYNTAX_GAUGE32:
    case SNMP_SYNTAX_TIMETICKS:
    case SNMP_SYNTAX_UINT32:
        out.value.uNumber = static_cast<smiUINT32>(in.number);
        return true;
    case SNMP_SYNTAX_CNTR64:
        out.value.hNumber.hipart = static_cast<smiUINT32>(in.number >> 32);
        out.value.hNumber.lopart = static_cast<smiUINT32>(in.number & 0xFFFFFFFFu);
        return true;
    case SNMP_SYNTAX_OID:
        return OidToSmi(in.oid, out.value.oid);
    case SNMP_SYNTAX_OCTETS:
    case SNMP_SYNTAX_BITS:
    case SNMP_SYNTAX_OPAQUE:
    case SNMP_SYNTAX_NSAPADDR:
    case SNMP_SYNTAX_IPADDR:
        if (!in.bytes.empty()) {
            auto* p = static_cast<smiLPBYTE>(AllocDescriptor(in.bytes.size()));
            if (!p)
                return false;
            std::memcpy(p, in.bytes.data(), in.bytes.size());
            out.value.string.ptr = p;
            out.value.string.len = static_cast<smiUINT32>(in.bytes.size());
        }
        return true;
    default:
        return true;
    }
}

}  // namespace wsnmp
