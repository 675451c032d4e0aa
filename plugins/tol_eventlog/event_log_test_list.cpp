#include "event_log_test_list.h"

#include <algorithm>
#include <new>

bool CEventLogTestList::Add(std::unique_ptr<EventLogTest> test)
{
    if (!test || !IsNewTestId(test->testId))
        return false;
    m_tests.push_back(std::move(test));
    return true;
}

bool CEventLogTestList::Remove(int testId)
{
    auto found = std::find_if(m_tests.begin(), m_tests.end(),
                              [testId](const auto& test) { return test->testId == testId; });
    if (found == m_tests.end())
        return false;
    m_tests.erase(found);
    return true;
}

void CEventLogTestList::Clear()
{
    m_tests.clear();
}

void CEventLogTestList::UpdateNextRecord(int testId, DWORD nextRecord)
{
    for (auto& test : m_tests) {
        if (test->testId == testId) {
            test->nextRecord = nextRecord;
            test->baselineTaken = true;
            return;
        }
    }
}

EventLogTestCopies CEventLogTestList::TakePass(bool forced)
{
    EventLogTestCopies copies;
    long long now = CurrentTime1970();
    for (const auto& test : m_tests) {
        if (forced && !test->isNew)
            continue;
        std::unique_ptr<EventLogTest> copy(new (std::nothrow) EventLogTest(*test));
        if (!copy)
            continue;
        copy->timeStamp = now;
        copies.push_back(std::move(copy));
    }
    for (auto& test : m_tests)
        test->isNew = false;
    return copies;
}

const EventLogTest* CEventLogTestList::Find(int testId) const
{
    for (const auto& test : m_tests) {
        if (test->testId == testId)
            return test.get();
    }
    return nullptr;
}
