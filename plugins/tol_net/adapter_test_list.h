// CAdapterTestList: the adapter plug-in's tests in the order they were added, with their
// counter states. Not locked: the monitor holds its test-list lock around every call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "adapter_counters.h"

struct AdapterTest {
    int testId = 0;
    int locationId = 0;
    std::string adapter;  // friendly name, UTF-8
    CounterState counters;
};

// Reads the counters of the named adapter; false when it cannot be found or read.
using CounterReader = std::function<bool(const std::string& adapter, AdapterCounters* out)>;

class CAdapterTestList {
public:
    // False when a test with this id exists already (nothing changes); otherwise the test joins
    // at the end with no sample yet.
    bool Add(int testId, int locationId, const std::string& adapter);

    // False when no test has the id. Otherwise the first such test gets the location id and
    // the adapter; it keeps its counters unless the adapter is another one, whose counters
    // start over (a difference across two adapters' counters means nothing).
    bool Modify(int testId, int locationId, const std::string& adapter);

    // Removes the first test with the id; false when there is none.
    bool Remove(int testId);

    void Clear() { m_tests.clear(); }

    // One sample of every test, in list order.
    void Sample(const CounterReader& read);

    const std::vector<AdapterTest>& Tests() const { return m_tests; }

private:
    AdapterTest* Find(int testId);

    std::vector<AdapterTest> m_tests;
};
