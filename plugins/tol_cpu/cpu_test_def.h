// One processor-usage test, as its test lines define it. Limits are percentages; a limit of
// exactly -1 is not set, any other number is a limit.
#pragma once

#include <string>

#include "test_list.h"

constexpr double kCpuLimitNotSet = -1.0;

struct CpuTest {
    std::string hostAddr;  // empty: the local host
    std::string system;    // the remote system's kind; "linux" (any case) reads the UCD counters
    int tid = 0;           // 1 or more
    int lid = 0;
    double user_max = kCpuLimitNotSet;    // processor usage
    double kernel_max = kCpuLimitNotSet;  // kernel share
    double nice_max = kCpuLimitNotSet;    // nice share (remote "linux" only)
    double idle_min = kCpuLimitNotSet;    // idle share, a minimum (remote "linux" only)
    double iowait_max = kCpuLimitNotSet;  // I/O-wait share (remote "linux" only)
};

// An add takes ids from 1; a modify may name any id (it finds none below 1) and carries every
// value over, the test keeping its place without becoming new. A delete below 1 the worker
// refuses.
template <>
struct CTestListHooks<CpuTest> {
    static bool Accepts(const CpuTest& test) { return test.tid >= 1; }
    static bool TakesId(int tid)
    {
        (void)tid;
        return true;
    }
    static bool Modify(CpuTest* entry, const CpuTest& from)
    {
        *entry = from;
        return false;
    }
};
