// Judging of the disk plug-in: what one check of a test reports, from the figures measured.
// No platform calls.
#pragma once

#include <string>

#include "disk_test_def.h"

constexpr unsigned int kDiskStatusOk = 0;
constexpr unsigned int kDiskStatusBelowMinimum = 2;
constexpr unsigned int kDiskStatusNotFound = 3;

// The values of one RESULT_DISK record: free and total GB of a free-space test, reads and
// writes per second of a read/write-count test (both 0 when the drive was not found).
struct DiskVerdict {
    double first = 0;
    double second = 0;
    unsigned int status = kDiskStatusOk;
    std::string text;
};

DiskVerdict JudgeFreeSpace(char drive, int minimumFree, double totalGb, double freeGb);
DiskVerdict JudgeRates(char drive, int readRate, int writeRate);
DiskVerdict DriveNotFound(char drive);

// Operations between two readings of a 32-bit counter. A reading below the last one counts
// as a wrap: current - last - 1, modulo 2^32.
unsigned int CountDelta(unsigned int last, unsigned int current);

// Operations per second over the check interval (not the time that actually passed): the
// delta divided by the interval as signed 32-bit numbers, truncated toward zero. The worker's
// interval is never below 1; one below 1 divides nothing.
int RatePerSecond(unsigned int delta, int intervalSeconds);

// One reading of a read/write-count test: a last count of 0 (never sampled) takes the reading
// first, so the first check reports 0; afterwards the reading becomes the last count.
struct RateSample {
    unsigned int lastReads = 0;  // the last counts the rates were taken against
    unsigned int lastWrites = 0;
    int readRate = 0;
    int writeRate = 0;
};

RateSample TakeRateSample(DiskTest* test, unsigned int reads, unsigned int writes,
                          int intervalSeconds);
