// ParseCpuLine: one test line of the processor plug-in (fields separated by TAB).
//
//   CUA <tid> <lid> <unused> <unused> <user_max> <kernel_max>                        7 fields
//   CUA <tid> <lid> <user_max> <kernel_max> <nice_max> <idle_min> <iowait_max>       8 fields
//       ... [<host>]                                                                 9 fields
//       ... [<host> <system>]                                                       10 fields
//   CUM  the same fields: modify
//   CUD <tid> [...]                                                          delete, 2 or more
//
// Ids read like atoi (clamped to the int range), limits as decimal numbers with an optional
// fraction; a field that does not begin with a number reads as 0. Limits a line does not carry
// are -1, a host and system it does not carry empty. Another code or field count makes an
// Incorrect line.
#pragma once

#include "cpu_test_def.h"
#include "line_reader.h"

using CpuLine = TestLine<CpuTest>;

// False for a null or empty line; otherwise *out holds the line's action and test (a delete:
// its test id alone).
bool ParseCpuLine(const char* utf8Line, CpuLine* out);

// The command codes the plug-in takes, in its rules' order: "CUACUMCUD".
const char* CpuCommandCodes();
