// ParseDiskLine: one test line of the disk plug-in (fields separated by TAB).
//
//   DKA <tid> <lid> <drive> <minimum free GB>   add a free-space test
//   DIA <tid> <lid> <drive>                     add a read/write-count test
//   DKM <tid> <lid> <drive> <minimum free GB>   modify into a free-space test
//   DIM <tid> <lid> <drive>                     modify into a read/write-count test
//   DKD <tid> <unused>  or  DID <tid> <unused>  delete a test of either kind
//
// Each code needs exactly its field count. Numbers read like atoi (clamped to the int range);
// the drive is the first character of its field and must be a letter A-Z or a-z: a field
// without one would measure the current folder's volume and put a NUL or a stray byte into
// the record's text.
#pragma once

#include "disk_test.h"

enum class DiskLineKind { Incorrect, Add, Modify, Delete };

struct DiskLine {
    DiskLineKind kind = DiskLineKind::Incorrect;
    DiskTest test;  // Add and Modify: test id, location id, drive, minimum; Delete: test id
};

// False for a null or empty line or one that cannot be split.
bool ParseDiskLine(const char* utf8Line, DiskLine* out);
