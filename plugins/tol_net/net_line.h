// ParseNetLine: one test line of the adapter plug-in (fields separated by TAB).
//
//   NTA <tid> <lid> <adapter friendly name>   add
//   NTM <tid> <lid> <adapter friendly name>   modify
//   NTD <tid> <lid>                           delete (the location id is not used)
//
// The field count must be exactly these; numbers read like atoi. Another code or field count
// makes an Ignored line.
#pragma once

#include <string>

enum class NetLineKind { Ignored, Add, Modify, Delete };

struct NetLine {
    NetLineKind kind = NetLineKind::Ignored;
    int testId = 0;
    int locationId = 0;
    std::string adapter;  // UTF-8, as the line gives it
};

// False for a null or empty line or one that cannot be split.
bool ParseNetLine(const char* utf8Line, NetLine* out);
