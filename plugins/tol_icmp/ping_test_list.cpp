#include "ping_test_list.h"

#include <algorithm>
#include <new>

bool CPingTestList::Add(const PingTest& test, bool* added)
{
    *added = false;
    if (test.host.empty())
        return false;
    if (FindTest(test.testId))
        return true;
    std::unique_ptr<PingTest> entry(new (std::nothrow) PingTest(test));
    if (!entry)
        return false;
    entry->isNew = true;
    m_tests.push_back(std::move(entry));
    *added = true;
    return true;
}

bool CPingTestList::Modify(const PingTest& test)
{
    PingTest* entry = FindTest(test.testId);
    if (!entry)
        return false;
    entry->host = test.host;
    entry->dataSize = test.dataSize;
    entry->count = test.count;
    entry->timeout = test.timeout;
    entry->maximumLost = test.maximumLost;
    entry->locationId = test.locationId;
    return true;
}

bool CPingTestList::Remove(int testId)
{
    if (testId <= 0)
        return false;
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [testId](const auto& entry) { return entry->testId == testId; });
    if (it != m_tests.end())
        m_tests.erase(it);
    return true;
}

void CPingTestList::Clear()
{
    m_tests.clear();
}

PingTestCopies CPingTestList::TakePass(bool forced)
{
    PingTestCopies copies;
    for (auto& entry : m_tests) {
        if (!forced || entry->isNew) {
            std::unique_ptr<PingTest> copy(new (std::nothrow) PingTest(*entry));
            if (copy)
                copies.push_back(std::move(copy));
        }
        entry->isNew = false;
    }
    return copies;
}

const PingTest* CPingTestList::Find(int testId) const
{
    for (const auto& entry : m_tests)
        if (entry->testId == testId)
            return entry.get();
    return nullptr;
}

PingTest* CPingTestList::FindTest(int testId)
{
    return const_cast<PingTest*>(static_cast<const CPingTestList*>(this)->Find(testId));
}
