#include "snmp_test_list.h"

#include <algorithm>
#include <new>

bool CSnmpTestList::Add(const SnmpTest& test)
{
    if (FindTest(test.testId))
        return false;
    std::unique_ptr<SnmpTest> entry(new (std::nothrow) SnmpTest(test));
    if (!entry)
        return false;
    entry->changed = true;
    entry->answered = false;
    m_tests.push_back(std::move(entry));
    return true;
}

bool CSnmpTestList::Modify(const SnmpTest& test)
{
    SnmpTest* entry = FindTest(test.testId);
    if (!entry)
        return false;
    bool changed = entry->changed;
    bool answered = entry->answered;
    *entry = test;
    entry->changed = changed;
    entry->answered = answered;
    return true;
}

bool CSnmpTestList::Remove(int testId)
{
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [testId](const auto& entry) { return entry->testId == testId; });
    if (it == m_tests.end())
        return false;
    m_tests.erase(it);
    return true;
}

void CSnmpTestList::Clear()
{
    m_tests.clear();
}

SnmpTestCopies CSnmpTestList::TakePass(bool forced)
{
    SnmpTestCopies copies;
    for (auto& entry : m_tests) {
        if (forced && !entry->changed)
            continue;
        std::unique_ptr<SnmpTest> copy(new (std::nothrow) SnmpTest(*entry));
        if (!copy)
            continue;  // left changed: a later pass requests it
        copy->changed = true;
        copy->answered = false;
        entry->changed = false;
        copies.push_back(std::move(copy));
    }
    return copies;
}

bool CSnmpTestList::MarkAnswered(int testId)
{
    SnmpTest* entry = FindTest(testId);
    if (!entry)
        return false;
    entry->answered = true;
    return true;
}

const SnmpTest* CSnmpTestList::Find(int testId) const
{
    for (const auto& entry : m_tests)
        if (entry->testId == testId)
            return entry.get();
    return nullptr;
}

SnmpTest* CSnmpTestList::FindTest(int testId)
{
    return const_cast<SnmpTest*>(static_cast<const CSnmpTestList*>(this)->Find(testId));
}
