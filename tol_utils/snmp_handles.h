// Scoped holders of what the Windows SNMP API hands out to the SNMP client (a received
// message with its handles, one variable binding with its descriptors) and the texts of
// identifiers, entities and contexts. Every call goes through the libpo_Snmp* pointers.
#pragma once

#include <string>

#include "snmp_lib.h"

// One received message: its entities, context and PDU, and the PDU's fields once read.
class CSnmpReceived {
public:
    CSnmpReceived() = default;
    ~CSnmpReceived();
    CSnmpReceived(const CSnmpReceived&) = delete;
    CSnmpReceived& operator=(const CSnmpReceived&) = delete;

    bool receive(HSNMP_SESSION session);
    // Reads the type, request id, error status and index and the binding list.
    bool read();

    HSNMP_ENTITY source = nullptr;
    HSNMP_ENTITY destination = nullptr;
    HSNMP_CONTEXT context = nullptr;
    HSNMP_PDU pdu = nullptr;
    HSNMP_VBL vbl = nullptr;
    smiINT type = 0;
    smiINT32 requestId = 0;
    smiINT errorStatus = 0;
    smiINT errorIndex = 0;
};

// One variable binding of a list (index from 1), its descriptors freed with it.
class CSnmpBinding {
public:
    CSnmpBinding() = default;
    ~CSnmpBinding();
    CSnmpBinding(const CSnmpBinding&) = delete;
    CSnmpBinding& operator=(const CSnmpBinding&) = delete;

    bool read(HSNMP_VBL vbl, smiUINT32 index);

    smiOID name{};
    smiVALUE value{};
};

void FreeSnmpOid(smiOID& oid);

// The dotted text of an identifier; empty when it cannot be rendered.
std::string SnmpOidText(const smiOID& oid);
// The address of an entity; false when it cannot be had.
bool SnmpEntityText(HSNMP_ENTITY entity, std::string& text);
// The bytes of a context (community) up to the first NUL; false when it cannot be read.
bool SnmpContextText(HSNMP_CONTEXT context, std::string& text);
