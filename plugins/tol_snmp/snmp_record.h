// BuildSnmpRecord: the RESULT_SNMP record of one request.
//
// UI32: 57, test id, location id, status, answered mark or identifier count; I64: time stamp;
// D64: elapsed ms; one text; on success one nested record per answered identifier, in request
// order (the client's records; an identifier left unanswered has none).
#pragma once

#include "com_bstr.h"
#include "snmp_verdict.h"

class CMonResult2;

bool BuildSnmpRecord(unsigned int tid, unsigned int lid, const SnmpVerdict& verdict,
                     CMonResult2* const* nested, unsigned int nestedCount, CComBSTR* bytes);
