// The memory plug-in's two kinds of test, as their test lines define them. A limit of -1 is not
// set; any other number, 0 and negative numbers included, is a limit. MB is 1,048,576 bytes.
#pragma once

#include <string>

#include "test_list.h"

constexpr int kLimitNotSet = -1;

// Free physical, page-file and virtual memory (and, over SNMP, buffered and cached memory) of
// the local computer (empty host) or of a remote host.
struct MemTest {
    std::string hostAddr;  // empty: the local computer
    int tid = 0;           // 1 or more
    int lid = 0;
    int mem_min = kLimitNotSet;       // minimum free physical memory, MB
    int page_min = kLimitNotSet;      // minimum free page-file space, MB
    int buffered_min = kLimitNotSet;  // maximum buffered memory, MB (a maximum despite its name)
    int cached_min = kLimitNotSet;    // maximum cached memory, MB (likewise)
    int vsize_min = kLimitNotSet;     // minimum free virtual memory, MB
};

// The 1-, 5- and 15-minute load averages of a remote host.
struct LoadAvgTest {
    std::string hostAddr;  // a test without a host stays in the list and is never measured
    int tid = 0;
    int lid = 0;
    int max1 = kLimitNotSet;  // whole load units
    int max5 = kLimitNotSet;
    int max15 = kLimitNotSet;
};

// What both lists take: an add ids from 1; a modify may name any id (it finds none below 1) and
// carries every value over, the test keeping its place without becoming new. A delete below 1
// the worker refuses.
template <class TTest>
struct CMemListHooks {
    static bool Accepts(const TTest& test) { return test.tid >= 1; }
    static bool TakesId(int tid)
    {
        (void)tid;
        return true;
    }
    static bool Modify(TTest* entry, const TTest& from)
    {
        *entry = from;
        return false;
    }
};

template <>
struct CTestListHooks<MemTest> : CMemListHooks<MemTest> {
};
template <>
struct CTestListHooks<LoadAvgTest> : CMemListHooks<LoadAvgTest> {
};
