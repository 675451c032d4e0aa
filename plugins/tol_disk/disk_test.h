// DiskTest: one test of the disk plug-in, as its test lines define it.
#pragma once

// A minimum free space below 0 makes a read/write-count test; the read/write lines store this.
constexpr int kRateTestMinimum = -1;

struct DiskTest {
    int testId = 0;  // 1 or more
    int locationId = 0;
    char drive = 0;              // the drive letter
    int minimumFree = 0;         // GB; below 0: a read/write-count test
    unsigned int lastReads = 0;  // read operations at the last check; 0: not yet sampled
    unsigned int lastWrites = 0;
    bool isNew = false;  // added or modified and not yet checked

    bool IsRateTest() const { return minimumFree < 0; }
};
