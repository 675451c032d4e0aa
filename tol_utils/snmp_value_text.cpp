#include "snmp_value_text.h"

#include <cstdio>

namespace {

std::string OctetsText(const smiOCTETS& octets)
{
    if (octets.len == 0 || !octets.ptr)
        return "Empty";
    std::string text;
    text.reserve(octets.len);
    char hex[3];
    for (smiUINT32 i = 0; i < octets.len; ++i) {
        unsigned char byte = octets.ptr[i];
        if ((byte >= 0x20 && byte <= 0x7E) || byte == '\n' || byte == '\r') {
            text += static_cast<char>(byte);
        } else {
            snprintf(hex, sizeof(hex), "%2.2X", byte);
            text += hex;
        }
    }
    return text;
}

std::string DottedBytes(const smiOCTETS& octets)
{
    std::string text;
    char part[8];
    for (smiUINT32 i = 0; octets.ptr && i < octets.len; ++i) {
        snprintf(part, sizeof(part), i ? ".%d" : "%d", octets.ptr[i]);
        text += part;
    }
    return text;
}

std::string Decimal(unsigned long long number)
{
    char text[24];
    snprintf(text, sizeof(text), "%llu", number);
    return text;
}

}  // namespace

unsigned SnmpSyntaxCode(smiUINT32 syntax)
{
    switch (syntax) {
    case SNMP_SYNTAX_INT:
        return 9;
    case SNMP_SYNTAX_BITS:
        return 10;
    case SNMP_SYNTAX_OCTETS:
        return 8;
    case SNMP_SYNTAX_NULL:
        return 18;
    case SNMP_SYNTAX_OID:
        return 11;
    case SNMP_SYNTAX_IPADDR:
        return 16;
    case SNMP_SYNTAX_CNTR32:
        return 14;
    case SNMP_SYNTAX_GAUGE32:
        return 13;
    case SNMP_SYNTAX_TIMETICKS:
        return 12;
    case SNMP_SYNTAX_OPAQUE:
        return 7;
    case SNMP_SYNTAX_NSAPADDR:
        return 17;
    case SNMP_SYNTAX_CNTR64:
        return 3;
    case SNMP_SYNTAX_UINT32:
        return 15;
    case SNMP_SYNTAX_NOSUCHOBJECT:
        return 20;
    case SNMP_SYNTAX_NOSUCHINSTANCE:
        return 21;
    default:
        return 19;
    }
}

unsigned long long SnmpUnsignedValue(const smiVALUE& value)
{
    if (value.syntax == SNMP_SYNTAX_CNTR64)
        return (static_cast<unsigned long long>(value.value.hNumber.hipart) << 32) |
               value.value.hNumber.lopart;
    return value.value.uNumber;
}

std::string SnmpValueText(const smiVALUE& value, const char* oidText)
{
    switch (value.syntax) {
    case SNMP_SYNTAX_INT: {
        char text[16];
        snprintf(text, sizeof(text), "%ld", static_cast<long>(value.value.sNumber));
        return text;
    }
    case SNMP_SYNTAX_BITS:
    case SNMP_SYNTAX_OCTETS:
    case SNMP_SYNTAX_OPAQUE:
        return OctetsText(value.value.string);
    case SNMP_SYNTAX_NULL:
        return "null";
    case SNMP_SYNTAX_OID:
        return oidText ? oidText : "";
    case SNMP_SYNTAX_IPADDR:
    case SNMP_SYNTAX_NSAPADDR:
        return DottedBytes(value.value.string);
    case SNMP_SYNTAX_CNTR32:
    case SNMP_SYNTAX_GAUGE32:
    case SNMP_SYNTAX_TIMETICKS:
    case SNMP_SYNTAX_UINT32:
    case SNMP_SYNTAX_CNTR64:
        return Decimal(SnmpUnsignedValue(value));
    case SNMP_SYNTAX_NOSUCHOBJECT:
        return "no such object";
    case SNMP_SYNTAX_NOSUCHINSTANCE:
        return "no such instance";
    case SNMP_SYNTAX_ENDOFMIBVIEW:
        return "end of mib";
    default:
        return "Unknown Type";
    }
}
