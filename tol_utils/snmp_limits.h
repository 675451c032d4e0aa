// The optional lower and upper limits of a request's identifiers, and the judging of an
// answered value against them.
#pragma once

#include <string>

#include "winsnmp_api.h"

// Reads the limits text ("lower,upper" per identifier, the identifiers' fields separated by
// ";") into the caller's zeroed arrays of `count` pointers: a field of exactly two numbers
// gives its identifier a heap int for each limit (text that is no number reads as 0); any
// other field leaves the identifier without limits. False when the number of fields is not
// `count`. Free the arrays' entries with FreeSnmpLimits.
bool ParseSnmpLimits(const char* text, unsigned count, int** lower, int** upper);
void FreeSnmpLimits(unsigned count, int** lower, int** upper);

// Status 0, or 2 for a value outside both limits of its identifier (equal to a limit is
// inside) and for the "no such" and end-of-view answers; `text` receives the status text.
// Only integers, counters, gauges, time ticks and unsigned values are judged; for the
// unsigned syntaxes a negative lower limit counts as 0.
unsigned JudgeSnmpValue(const smiVALUE& value, const int* lower, const int* upper,
                        const char* oidName, std::string& text);
