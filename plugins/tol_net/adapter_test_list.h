// AdapterTest: one test of the adapter plug-in with its counter state, the rules of its list
// (CTestList<AdapterTest>) and the sampling of every listed test. Not locked: the monitor
// holds its test-list lock around every call.
#pragma once

#include <functional>
#include <string>

#include "adapter_counters.h"
#include "test_list.h"

struct AdapterTest {
    int tid = 0;  // 1 or more
    int lid = 0;
    std::string adapter;  // friendly name, UTF-8
    CounterState counters;
};

// Test ids from 1 on. A modify gives the first test with the id the location id and the
// adapter; it keeps its counters unless the adapter is another one, whose counters start over
// (a difference across two adapters' counters means nothing).
template <>
struct CTestListHooks<AdapterTest> {
    static bool Accepts(const AdapterTest& test) { return test.tid >= 1; }
    static bool TakesId(int tid) { return tid >= 1; }
    static bool Modify(AdapterTest* entry, const AdapterTest& from)
    {
        entry->lid = from.lid;
        if (entry->adapter != from.adapter) {
            entry->adapter = from.adapter;
            entry->counters = CounterState();
        }
        return false;
    }
};

using AdapterTestList = CTestList<AdapterTest>;

// Reads the counters of the named adapter; false when it cannot be found or read.
using CounterReader = std::function<bool(const std::string& adapter, AdapterCounters* out)>;

// One sample of every test, in list order.
void SampleTests(const AdapterTestList& tests, const CounterReader& read);
