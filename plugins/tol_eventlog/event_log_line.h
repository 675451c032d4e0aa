// ParseEventLogLine: one test line of the event-log plug-in (fields separated by TAB).
//
//   LEA <tid> <lid> <host> <log name> <event types>   add (host empty: the local machine)
//   LEM (the same fields)                              replace
//   LED <tid> <unused>                                 delete
//
// Numbers read like atoi. Any other code or field count makes an Incorrect line.
#pragma once

#include <string>

enum class EventLogLineKind { Incorrect, Add, Modify, Delete };

struct EventLogLine {
    EventLogLineKind kind = EventLogLineKind::Incorrect;
    int testId = 0;
    int locationId = 0;
    std::string host;  // UTF-8, as the line gives them
    std::string logName;
    std::string types;
};

// False for a null or empty line or one that cannot be split.
bool ParseEventLogLine(const char* utf8Line, EventLogLine* out);
