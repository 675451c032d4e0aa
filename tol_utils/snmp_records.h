// The records the SNMP client makes of answered values and received bindings, as functions of
// the values' texts alone.
#pragma once

#include "mon_result2.h"

// The nested record of one answered identifier: syntax code, status, value text, status text
// (null texts are stored as "N/A"). Null when memory runs out.
CMonResult2* NewSnmpValueRecord(unsigned syntaxCode, unsigned status, const char* value,
                                const char* statusText);

// What a RESULT_SNMP_TRAP package holds besides the listener's ids.
struct SnmpTrapFields {
    unsigned syntaxCode;
    unsigned kind;  // 1 trap, 2 inform, 0 error
    unsigned status;
    const char* texts[5];  // sender, community, identifier, value, notice or error
};

// One trap package. Null when memory runs out.
CMonResult2* NewSnmpTrapPackage(unsigned testId, unsigned locationId, const SnmpTrapFields& fields);
