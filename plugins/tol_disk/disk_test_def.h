// DiskTest: one test of the disk plug-in, as its test lines define it.
#pragma once

#include "test_list.h"

// A minimum free space below 0 makes a read/write-count test; the read/write lines store this.
constexpr int kRateTestMinimum = -1;

struct DiskTest {
    int tid = 0;  // 1 or more
    int lid = 0;
    char drive = 0;              // the drive letter
    int minimumFree = 0;         // GB; below 0: a read/write-count test
    unsigned int lastReads = 0;  // read operations at the last check; 0: not yet sampled
    unsigned int lastWrites = 0;

    bool IsRateTest() const { return minimumFree < 0; }
};

// What a modify carries over, and which ids the lines may name: a modify keeps the test's place,
// forgets its counts and makes it new again.
template <>
struct CTestListHooks<DiskTest> {
    static bool Accepts(const DiskTest& test) { return test.tid >= 1; }
    static bool TakesId(int tid) { return tid >= 1; }
    static bool Modify(DiskTest* entry, const DiskTest& from)
    {
        entry->lid = from.lid;
        entry->drive = from.drive;
        entry->minimumFree = from.minimumFree;
        entry->lastReads = 0;
        entry->lastWrites = 0;
        return true;
    }
};
