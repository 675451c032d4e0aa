// PingTest: one ping test as the test lines define it, and the rules of its list.
#pragma once

#include <string>

#include "test_list.h"

struct PingTest {
    int tid = 0;  // any id: only a delete needs one above 0
    int lid = 0;
    std::string host;     // empty: the test has no host
    int count = 0;        // echo requests per check
    int dataSize = 0;     // echo payload in bytes
    int timeout = 0;      // milliseconds per echo request
    int maximumLost = 0;  // highest loss that still succeeds; -1: no limit
};

// An add needs a host; a modify replaces every parameter (an empty host leaves the test
// without one) and keeps the test new or not as it was.
template <>
struct CTestListHooks<PingTest> {
    static bool Accepts(const PingTest& test) { return !test.host.empty(); }
    static bool TakesId(int tid)
    {
        (void)tid;
        return true;
    }
    static bool Modify(PingTest* entry, const PingTest& from)
    {
        *entry = from;  // the same id: the test's new flag is the list's
        return false;
    }
};
