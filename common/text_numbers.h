// Numbers read from the leading characters of a text, as test lines and SNMP value texts give
// them: what atoi and atof would read, without their faults. A text that does not begin with
// a number (after blanks) reads as 0.
#pragma once

// A decimal integer, clamped to the int range (atoi's result is undefined outside it).
int ReadDecimalInt(const char* text);

// A decimal integer, clamped to the 64-bit range.
long long ReadDecimalInt64(const char* text);

// A decimal number with an optional sign and fraction: "12", "-1", "2.50", ".5". Nothing
// else is read: no exponent, hexadecimal, "inf" or "nan", so no limit can become a value that
// every comparison passes.
double ReadDecimalNumber(const char* text);
