// How the SNMP client shows a value: the syntax code that result records carry for a value
// syntax, and the value's text.
#pragma once

#include <string>

#include "winsnmp_api.h"

// Result records' code for a value syntax (19 for any syntax without a code of its own).
unsigned SnmpSyntaxCode(smiUINT32 syntax);

// The value as text: numbers in decimal, octet strings with their unprintable bytes in
// hexadecimal ("Empty" when they hold none), addresses dotted; `oidText` is the dotted form
// of an OID value, rendered by the caller. Empty only when an OID could not be rendered.
std::string SnmpValueText(const smiVALUE& value, const char* oidText);

// The 64-bit number of a counter, gauge, time-ticks or unsigned value (the high and low
// parts of a 64-bit counter put together).
unsigned long long SnmpUnsignedValue(const smiVALUE& value);
