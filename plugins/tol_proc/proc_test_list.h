// CProcTestList: the process plug-in's tests in the order they were added. Not locked: the
// worker holds its test-list lock around every call.
//
// Not the framework's CTestList, whose rules key a test by its id: here a test is told from
// another by its name, so two tests may share an id (a modify or a delete takes the first).
#pragma once

#include <memory>
#include <vector>

#include "proc_test_def.h"

enum class ProcAddResult { Refused, Duplicate, Added };

class CProcTestList {
public:
    // Refused for an empty name or a test id of 0; Duplicate when a test of the same name
    // (exact, case-sensitive) exists; otherwise the test joins as new, alarm state 0.
    ProcAddResult Add(const ProcTest& test);

    // The first test with the id takes the name, limits and location id, alarm state 0 and
    // the new flag; false when no test has the id.
    bool Modify(const ProcTest& test);

    // Removes the first test with the id; false when none has it.
    bool Remove(int tid);

    void Clear();

    size_t Size() const { return m_tests.size(); }
    ProcTest& At(size_t index) { return *m_tests[index]; }
    const ProcTest* Find(int tid) const;

private:
    std::vector<std::unique_ptr<ProcTest>> m_tests;
};
