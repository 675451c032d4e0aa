// Object identifiers as text and the release of descriptors handed out by the API.
#include <cstdio>
#include <cstring>
#include <string>

#include "api_state.h"
#include "smi_values.h"

using namespace wsnmp;

namespace {

bool Started()
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    return s.startupCount > 0;
}

// Dotted decimal text, an optional leading dot, 2 to MAXOBJIDSIZE parts of 32 bits each.
bool ParseOid(const char* text, Oid& out)
{
    out.clear();
    const char* p = text;
    if (*p == '.')
        ++p;
    if (!*p)
        return false;
    for (;;) {
        if (*p < '0' || *p > '9')
            return false;
        uint64_t value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<uint64_t>(*p - '0');
            if (value > UINT32_MAX)
                return false;
            ++p;
        }
        out.push_back(static_cast<uint32_t>(value));
        if (out.size() > MAXOBJIDSIZE)
            return false;
        if (!*p)
            break;
        if (*p != '.')
            return false;
        ++p;
    }
    return out.size() >= 2;
}

bool ValidSmiOid(smiLPCOID oid)
{
    return oid && oid->len <= MAXOBJIDSIZE && (oid->len == 0 || oid->ptr);
}

}  // namespace

extern "C" {

SNMPAPI_STATUS WINAPI SnmpStrToOid(LPCSTR string, smiLPOID dstOID)
{
    if (!Started())
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!dstOID)
        return Fail(SNMPAPI_NOOP);
    Oid parsed;
    if (!string || !ParseOid(string, parsed))
        return Fail(SNMPAPI_OID_INVALID);
    if (!OidToSmi(parsed, *dstOID))
        return Fail(SNMPAPI_ALLOC_ERROR);
    return dstOID->len;
}

SNMPAPI_STATUS WINAPI SnmpOidToStr(smiLPCOID srcOID, smiUINT32 size, LPSTR string)
{
    if (!Started())
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!ValidSmiOid(srcOID) || srcOID->len == 0)
        return Fail(SNMPAPI_OID_INVALID);
    if (!string || size == 0)
        return Fail(SNMPAPI_SIZE_INVALID);
    std::string text;
    char part[16];
    for (smiUINT32 i = 0; i < srcOID->len; ++i) {
        snprintf(part, sizeof(part), i ? ".%lu" : "%lu",
                 static_cast<unsigned long>(srcOID->ptr[i]));
        text += part;
    }
    if (text.size() + 1 > size)
        return Fail(SNMPAPI_OUTPUT_TRUNCATED);
    memcpy(string, text.c_str(), text.size() + 1);
    return static_cast<SNMPAPI_STATUS>(text.size() + 1);
}

SNMPAPI_STATUS WINAPI SnmpOidCopy(smiLPOID srcOID, smiLPOID dstOID)
{
    if (!Started())
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!ValidSmiOid(srcOID) || !dstOID)
        return Fail(SNMPAPI_OID_INVALID);
    Oid copy(srcOID->ptr, srcOID->ptr + srcOID->len);
    if (!OidToSmi(copy, *dstOID))
        return Fail(SNMPAPI_ALLOC_ERROR);
    return dstOID->len;
}

SNMPAPI_STATUS WINAPI SnmpOidCompare(smiLPCOID xOID, smiLPCOID yOID, smiUINT32 maxlen,
                                     smiLPINT result)
{
    if (!Started())
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!ValidSmiOid(xOID) || !ValidSmiOid(yOID))
        return Fail(SNMPAPI_OID_INVALID);
    if (maxlen > MAXOBJIDSIZE)
        return Fail(SNMPAPI_SIZE_INVALID);
    if (!result)
        return Fail(SNMPAPI_NOOP);
    smiUINT32 xl = xOID->len, yl = yOID->len;
    if (maxlen) {
        xl = xl < maxlen ? xl : maxlen;
        yl = yl < maxlen ? yl : maxlen;
    }
    smiUINT32 common = xl < yl ? xl : yl;
    *result = 0;
    for (smiUINT32 i = 0; i < common && *result == 0; ++i)
        if (xOID->ptr[i] != yOID->ptr[i])
            *result = xOID->ptr[i] < yOID->ptr[i] ? -1 : 1;
    if (*result == 0 && xl != yl)
        *result = xl < yl ? -1 : 1;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpFreeDescriptor(smiUINT32 syntax, smiLPOPAQUE descriptor)
{
    if (!descriptor)
        return Fail(SNMPAPI_OPERATION_INVALID);
    switch (syntax) {
    case SNMP_SYNTAX_OCTETS:
    case SNMP_SYNTAX_BITS:
    case SNMP_SYNTAX_OPAQUE:
    case SNMP_SYNTAX_IPADDR:
    case SNMP_SYNTAX_NSAPADDR:
    case SNMP_SYNTAX_OID:
        // smiOID has the layout of smiOCTETS: a length and a pointer.
        FreeDescriptorMemory(descriptor->ptr);
        descriptor->ptr = nullptr;
        descriptor->len = 0;
        return SNMPAPI_SUCCESS;
    default:
        return Fail(SNMPAPI_SYNTAX_INVALID);
    }
}

}  // extern "C"
