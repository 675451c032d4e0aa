// CPingTestList: the ping plug-in's tests in the order they were added. Not locked: the
// checker holds its test-list lock around every call.
#pragma once

#include <memory>
#include <vector>

#include "ping_test.h"

using PingTestCopies = std::vector<std::unique_ptr<PingTest>>;

class CPingTestList {
public:
    // False when the host is empty. A test id already in the list changes nothing (true);
    // otherwise the test joins as new and *added is set.
    bool Add(const PingTest& test, bool* added);

    // False when no test has the id. Otherwise host, data size, count, time-out, maximum
    // lost and location id are replaced; the new flag stays as it was.
    bool Modify(const PingTest& test);

    // False for a test id of 0 or below; otherwise removes the test if there is one (true).
    bool Remove(int testId);

    void Clear();

    // Copies of the tests one pass probes: every test (forced false) or only the new ones;
    // every test is no longer new afterwards.
    PingTestCopies TakePass(bool forced);

    const PingTest* Find(int testId) const;
    size_t Size() const { return m_tests.size(); }

private:
    PingTest* FindTest(int testId);

    std::vector<std::unique_ptr<PingTest>> m_tests;
};
