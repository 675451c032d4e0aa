// ParseSnmpLine: one test line of the SNMP plug-in (fields separated by TAB).
//
//   SPA <tid> <lid> <host> <port> <version> <identifiers> <community> <5 unused fields>
//       <time-out s> <retries> <limits>                                            add
//   SPM (the same 16 fields)                                                      modify
//   SPD <tid> <unused>                                                            delete
//   TRA <tid> <second value>                             start the trap listener
//   TRD <tid> <unused>                                   stop the trap listener
//
// Numbers are decimal; a text that is not a number reads as 0. An add or modify line needs a
// test id above 0, a port, time-out and retries above 0 (they are unsigned: a negative number
// or one beyond 32 bits breaks the rule too) and version 1 or 2. A line that breaks a rule,
// another code (TRM included) or another field count makes an Ignored line. Fields are counted
// as SplitFields counts them: a single trailing TAB adds no field, so an add without limits
// ends in two TABs, and "SPD<TAB>7<TAB>" has two fields.
#pragma once

#include "line_reader.h"
#include "snmp_request.h"

enum class SnmpLineKind { Ignored, Add, Modify, Delete, TrapStart, TrapStop };

struct SnmpLine {
    SnmpLineKind kind = SnmpLineKind::Ignored;
    SnmpTest test;               // Add and Modify: every field; Delete: the test id
    unsigned int trapId = 0;     // TrapStart and TrapStop: the test id
    unsigned int trapValue = 0;  // TrapStart: the second value (the packages' location id)
};

// False for a null or empty line; otherwise *out holds the line's kind and what it carries.
bool ParseSnmpLine(const char* utf8Line, SnmpLine* out);

// The command codes the plug-in takes, in its rules' order: "SPASPMSPDTRATRMTRD".
const char* SnmpCommandCodes();
