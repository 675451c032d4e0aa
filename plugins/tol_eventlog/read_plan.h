// PlanRead: which records of a log one reading thread reads, from the test's next record
// number and the log's oldest record number and record count.
#pragma once

#include <windows.h>

struct ReadPlan {
    DWORD first = 0;          // the first record number to read
    DWORD end = 0;            // one past the newest record: the test's next record number after
    bool timeFilter = false;  // skip records generated before the pass began
    bool NothingNew() const { return first == end; }
};

// No baseline yet, or a next number beyond the end (the log was cleared): start again at the
// oldest record, reporting only records generated since the pass began. A next number below
// the oldest record (the log wrapped): read every record still there.
ReadPlan PlanRead(bool baselineTaken, DWORD nextRecord, DWORD oldest, DWORD count);
