// CDiskTestList: the disk plug-in's tests in the order they were added. Not locked: the worker
// holds its test-list lock around every call and while it walks the list.
#pragma once

#include <memory>
#include <vector>

#include "disk_test.h"

class CDiskTestList {
public:
    using Tests = std::vector<std::unique_ptr<DiskTest>>;

    enum class AddOutcome { Added, Duplicate, NoMemory };

    // A test id already in the list changes nothing (Duplicate); otherwise the test joins as
    // new, with no counts sampled yet.
    AddOutcome Add(const DiskTest& test);

    // False when no test has the id. Otherwise location id, drive and minimum are replaced,
    // the counts are forgotten and the test is new again.
    bool Modify(const DiskTest& test);

    // Removes the test with the id if there is one.
    void Remove(int testId);

    void Clear() { m_tests.clear(); }

    const DiskTest* Find(int testId) const;
    size_t Size() const { return m_tests.size(); }
    Tests::iterator begin() { return m_tests.begin(); }
    Tests::iterator end() { return m_tests.end(); }

private:
    DiskTest* FindTest(int testId);

    Tests m_tests;
};
