// ParseEventLogLine: one test line of the event-log plug-in (fields separated by TAB).
//
//   LEA <tid> <lid> <host> <log name> <event types>   add (host empty: the local machine)
//   LEM (the same fields)                              replace
//   LED <tid> <unused>                                 delete
//
// Numbers read like atoi (clamped to the int range). Any other code or field count makes an
// Incorrect line. The texts are kept as the line gives them (test.line); the worker makes the
// test's own of them.
#pragma once

#include "event_log_watch.h"
#include "line_reader.h"

using EventLogLine = TestLine<EventLogTest>;

// False for a null or empty line; otherwise *out holds the line's action and test (a delete:
// its test id alone).
bool ParseEventLogLine(const char* utf8Line, EventLogLine* out);

// The command codes the plug-in takes, in its rules' order: "LEALEMLED".
const char* EventLogCommandCodes();
