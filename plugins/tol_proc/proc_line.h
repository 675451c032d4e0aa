// ParseProcLine: one test line of the process plug-in (fields separated by TAB).
//
//   PRA <tid> <lid> <max cpu %> <max working set MB> <max page file MB> <name>   add
//   PRM (the same fields)                                                         modify
//   PRD <tid> <unused>                                                            delete
//
// Each code needs exactly its field count. Numbers are read from the leading characters of
// their fields like atoi (a field that does not begin with a number reads as 0; beyond the int
// range, the nearest end of it). The name is converted from UTF-8.
#pragma once

#include "line_reader.h"
#include "proc_test_def.h"

// Add and Modify: every field; Delete: the test id alone.
using ProcLine = TestLine<ProcTest>;

// False for a null or empty line, or one that cannot be split; otherwise *out holds the
// line's action and test.
bool ParseProcLine(const char* utf8Line, ProcLine* out);

// The command codes the plug-in takes, in its rules' order: "PRAPRMPRD".
const char* ProcCommandCodes();
