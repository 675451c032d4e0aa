// ParsePingLine: one test line of the ping plug-in (fields separated by TAB).
//
//   PGA <tid> <lid> <host> <data size> <count> <time-out ms> <maximum lost>   add
//   PGM (the same fields)                                                     modify
//   PGD <tid> <unused>                                                        delete
//
// Each code needs exactly its field count; numbers read like atoi (clamped to the int range).
// Another code or field count makes an Ignored line.
#pragma once

#include "line_reader.h"
#include "ping_test_def.h"

using PingLine = TestLine<PingTest>;

// False for a null or empty line or one that cannot be split; otherwise *out holds the line's
// action and test (a delete: its test id alone).
bool ParsePingLine(const char* utf8Line, PingLine* out);

// The command codes the plug-in takes, in its rules' order: "PGAPGMPGD".
const char* PingCommandCodes();
