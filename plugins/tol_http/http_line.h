// ParseHttpLine: one test line of the HTTP plug-in (fields separated by TAB).
//
//   HPA <tid> <lid> <host> <path> <port> <match text> <body> <user> <password> <time-out s>
//       <secure> <unused> <read content> <match sense> <method>                     add
//   HPM (the same 16 fields)                                                       modify
//   HPD <tid> <unused>                                                             delete
//
// Numbers read like atoi (clamped to the int range; ids and location ids as unsigned); a flag
// is set when its number is not 0; a port of 0 or less is 80. Another code or field count
// makes an Ignored line.
#pragma once

#include "http_test_def.h"
#include "line_reader.h"

using HttpLine = TestLine<HttpTest>;  // Add and Modify: every field; Delete: the test id

// False for a null or empty line; otherwise *out holds the line's action and test.
bool ParseHttpLine(const char* utf8Line, HttpLine* out);

// The command codes the plug-in takes, in its rules' order: "HPAHPMHPD".
const char* HttpCommandCodes();
