#include "snmp_handles.h"

namespace {

const smiUINT32 kOidTextBuffer = MAXOBJIDSTRSIZE + 1;  // 1,409 bytes
const smiUINT32 kEntityTextBuffer = 512;

void FreeValue(smiVALUE& value)
{
    switch (value.syntax) {
    case SNMP_SYNTAX_OCTETS:
    case SNMP_SYNTAX_BITS:
    case SNMP_SYNTAX_OPAQUE:
    case SNMP_SYNTAX_IPADDR:
    case SNMP_SYNTAX_NSAPADDR:
        if (value.value.string.ptr)
            libpo_SnmpFreeDescriptor(value.syntax, &value.value.string);
        break;
    case SNMP_SYNTAX_OID:
        FreeSnmpOid(value.value.oid);
        break;
    default:
        break;
    }
}

}  // namespace

CSnmpReceived::~CSnmpReceived()
{
    if (source)
        libpo_SnmpFreeEntity(source);
    if (destination)
        libpo_SnmpFreeEntity(destination);
    if (context)
        libpo_SnmpFreeContext(context);
    if (vbl)
        libpo_SnmpFreeVbl(vbl);
    if (pdu)
        libpo_SnmpFreePdu(pdu);
}

bool CSnmpReceived::receive(HSNMP_SESSION session)
{
    return libpo_SnmpRecvMsg(session, &source, &destination, &context, &pdu) == SNMPAPI_SUCCESS;
}

bool CSnmpReceived::read()
{
    return libpo_SnmpGetPduData(pdu, &type, &requestId, &errorStatus, &errorIndex, &vbl) ==
           SNMPAPI_SUCCESS;
}

CSnmpBinding::~CSnmpBinding()
{
    FreeSnmpOid(name);
    FreeValue(value);
}

bool CSnmpBinding::read(HSNMP_VBL vbl, smiUINT32 index)
{
    return libpo_SnmpGetVb(vbl, index, &name, &value) == SNMPAPI_SUCCESS;
}

void FreeSnmpOid(smiOID& oid)
{
    if (oid.ptr)
        libpo_SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&oid));
    oid.ptr = nullptr;
    oid.len = 0;
}

std::string SnmpOidText(const smiOID& oid)
{
    char text[kOidTextBuffer];
    if (libpo_SnmpOidToStr(&oid, sizeof(text), text) == SNMPAPI_FAILURE)
        return std::string();
    text[sizeof(text) - 1] = '\0';
    return text;
}

bool SnmpEntityText(HSNMP_ENTITY entity, std::string& text)
{
    char buffer[kEntityTextBuffer];
    if (libpo_SnmpEntityToStr(entity, sizeof(buffer), buffer) == SNMPAPI_FAILURE)
        return false;
    buffer[sizeof(buffer) - 1] = '\0';
    text = buffer;
    return true;
}

bool SnmpContextText(HSNMP_CONTEXT context, std::string& text)
{
    smiOCTETS octets{};
    if (libpo_SnmpContextToStr(context, &octets) == SNMPAPI_FAILURE)
        return false;
    text.assign(reinterpret_cast<const char*>(octets.ptr), octets.ptr ? octets.len : 0);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    if (octets.ptr)
        libpo_SnmpFreeDescriptor(SNMP_SYNTAX_OCTETS, &octets);
    return true;
}
