// ParseMemLine: one test line of the memory plug-in (fields separated by TAB).
//
//   MMA <tid> <lid> <mem_min> <page_min> <vsize_min> [<buffered_min> <cached_min> [<host>]]
//   MMM  the same fields: modify (a line without a host makes the test a local one)
//   MMD <tid> <unused>                                     delete a memory test
//   LAA <tid> <lid> <max1> <max5> <max15> <host>           add a load-average test
//   LAM  the same fields: modify
//   LAD <tid> <unused>                                     delete a load-average test
//
// Memory lines carry 6, 8 or 9 fields (limits not carried are -1, the host empty), load-average
// lines 7, deletes 3. The code is compared exactly; numbers read like atoi (clamped to the int
// range). Another code or field count makes an Incorrect line.
#pragma once

#include "line_reader.h"
#include "mem_test_def.h"

// The list a line is for.
enum class MemLineList { Memory, LoadAverage };

struct MemLine {
    LineAction action = LineAction::Incorrect;
    MemLineList list = MemLineList::Memory;
    MemTest mem;       // the memory lines' test (a delete: its tid only)
    LoadAvgTest load;  // the load-average lines' test (a delete: its tid only)
};

// False for a null or empty line; otherwise *out holds the line's action, its list and test.
bool ParseMemLine(const char* utf8Line, MemLine* out);

// The command codes the plug-in takes, in its rules' order: "MMAMMMMMDLAALAMLAD".
const char* MemCommandCodes();
