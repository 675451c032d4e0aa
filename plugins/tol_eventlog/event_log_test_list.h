// CEventLogTestList: the event-log plug-in's tests in the order they were added. Not locked:
// the worker holds its test-list lock around every call.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "event_log_test.h"

using EventLogTestCopies = std::vector<std::unique_ptr<EventLogTest>>;

class CEventLogTestList {
public:
    // False for a null test or when a test with its id exists (the list is then unchanged).
    bool Add(std::unique_ptr<EventLogTest> test);

    // True when a test with the id was removed.
    bool Remove(int testId);

    void Clear();

    bool IsNewTestId(int testId) const { return Find(testId) == nullptr; }

    // The test with the id, if it still exists, takes the number and counts as baselined.
    void UpdateNextRecord(int testId, DWORD nextRecord);

    // Copies of the tests one pass reads: every test (forced false) or only the new ones;
    // each copy is stamped with the time it was made. No test is new afterwards.
    EventLogTestCopies TakePass(bool forced);

    const EventLogTest* Find(int testId) const;
    size_t Size() const { return m_tests.size(); }

private:
    std::vector<std::unique_ptr<EventLogTest>> m_tests;
};
