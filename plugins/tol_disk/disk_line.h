// ParseDiskLine: one test line of the disk plug-in (fields separated by TAB).
//
//   DKA <tid> <lid> <drive> <minimum free GB>   add a free-space test
//   DKM <tid> <lid> <drive> <minimum free GB>   modify into a free-space test
//   DKD <tid> <unused>  or  DID <tid> <unused>  delete a test of either kind
//   DIA <tid> <lid> <drive>                     add a read/write-count test
//   DIM <tid> <lid> <drive>                     modify into a read/write-count test
//
// Each code needs exactly its field count. Numbers read like atoi (clamped to the int range);
// the drive is the first character of its field and must be a letter A-Z or a-z: a field
// without one would measure the current folder's volume and put a NUL or a stray byte into
// the record's text.
#pragma once

#include "disk_test_def.h"
#include "line_reader.h"

using DiskLine = TestLine<DiskTest>;

// False for a null or empty line; otherwise *out holds the line's action and test (a delete:
// its test id alone).
bool ParseDiskLine(const char* utf8Line, DiskLine* out);

// The command codes the plug-in takes, in its rules' order: "DKADKMDKDDIADIMDID".
const char* DiskCommandCodes();
