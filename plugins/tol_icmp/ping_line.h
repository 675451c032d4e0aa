// ParsePingLine: one test line of the ping plug-in (fields separated by TAB).
//
//   PGA <tid> <lid> <host> <data size> <count> <time-out ms> <maximum lost>   add
//   PGM (the same fields)                                                     modify
//   PGD <tid> <unused>                                                        delete
//
// Numbers read like atoi. Another code or field count makes an Ignored line.
#pragma once

#include "ping_test.h"

enum class PingLineKind { Ignored, Add, Modify, Delete };

struct PingLine {
    PingLineKind kind = PingLineKind::Ignored;
    PingTest test;  // Add and Modify: every field; Delete: the test id
};

// False for a null or empty line or one that cannot be split.
bool ParsePingLine(const char* utf8Line, PingLine* out);
