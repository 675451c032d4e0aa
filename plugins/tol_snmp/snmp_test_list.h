// CSnmpTestList: the SNMP plug-in's request tests in the order they were added. Not locked:
// the checker holds its list lock around every call.
#pragma once

#include <memory>
#include <vector>

#include "snmp_test.h"

using SnmpTestCopies = std::vector<std::unique_ptr<SnmpTest>>;

class CSnmpTestList {
public:
    // A test id already in the list changes nothing (false); otherwise the test joins at the
    // end, changed and not answered (true).
    bool Add(const SnmpTest& test);

    // False when no test has the id; otherwise the test takes the new fields and keeps its
    // changed flag and answered mark.
    bool Modify(const SnmpTest& test);

    bool Remove(int testId);
    void Clear();

    // Copies of the tests one pass requests: every test, or on a forced pass only the changed
    // ones; each test copied is no longer changed. A copy starts changed and not answered.
    SnmpTestCopies TakePass(bool forced);

    // Sets the answered mark of the test with the id; false when there is none.
    bool MarkAnswered(int testId);

    const SnmpTest* Find(int testId) const;
    size_t Size() const { return m_tests.size(); }

private:
    SnmpTest* FindTest(int testId);

    std::vector<std::unique_ptr<SnmpTest>> m_tests;
};
