// ParseProcLine: one test line of the process plug-in (fields separated by TAB).
//
//   PRA <tid> <lid> <max cpu %> <max working set MB> <max page file MB> <name>   add
//   PRM (the same fields)                                                         modify
//   PRD <tid> <unused>                                                            delete
//
// Numbers are read from the leading characters of their fields like atoi (a field that does
// not begin with a number reads as 0; beyond the int range, the nearest end of it). The name
// is converted from UTF-8.
#pragma once

#include "proc_test.h"

enum class ProcLineKind { NotSplit, Incorrect, Add, Modify, Delete };

struct ProcLine {
    ProcLineKind kind = ProcLineKind::NotSplit;
    ProcTest test;  // Add and Modify: every field; Delete: the test id
};

// The caller has refused a null or empty line before.
ProcLine ParseProcLine(const char* utf8Line);
