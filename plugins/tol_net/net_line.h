// ParseNetLine: one test line of the adapter plug-in (fields separated by TAB).
//
//   NTA <tid> <lid> <adapter friendly name>   add
//   NTM <tid> <lid> <adapter friendly name>   modify
//   NTD <tid> <lid>                           delete (the location id is not used)
//
// The field count must be exactly these; numbers read like atoi (clamped to the int range).
// Another code or field count makes an Incorrect line.
#pragma once

#include "adapter_test_list.h"
#include "line_reader.h"

using NetLine = TestLine<AdapterTest>;

// False for a null or empty line or one that cannot be split; otherwise *out holds the line's
// action and test (the adapter's name as the line gives it; a delete: its test id alone).
bool ParseNetLine(const char* utf8Line, NetLine* out);

// The command codes the plug-in takes, in its rules' order: "NTANTMNTD".
const char* NetCommandCodes();
