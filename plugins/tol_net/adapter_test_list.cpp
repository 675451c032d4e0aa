#include "adapter_test_list.h"

#include <algorithm>

bool CAdapterTestList::Add(int testId, int locationId, const std::string& adapter)
{
    if (Find(testId))
        return false;
    AdapterTest test;
    test.testId = testId;
    test.locationId = locationId;
    test.adapter = adapter;
    m_tests.push_back(std::move(test));
    return true;
}

bool CAdapterTestList::Modify(int testId, int locationId, const std::string& adapter)
{
    AdapterTest* test = Find(testId);
    if (!test)
        return false;
    test->locationId = locationId;
    if (test->adapter != adapter) {
        test->adapter = adapter;
        test->counters = CounterState();
    }
    return true;
}

bool CAdapterTestList::Remove(int testId)
{
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [testId](const AdapterTest& test) { return test.testId == testId; });
    if (it == m_tests.end())
        return false;
    m_tests.erase(it);
    return true;
}

void CAdapterTestList::Sample(const CounterReader& read)
{
    for (AdapterTest& test : m_tests) {
        AdapterCounters current;
        bool readable = read && read(test.adapter, &current);
        ApplySample(&test.counters, readable ? &current : nullptr);
    }
}

AdapterTest* CAdapterTestList::Find(int testId)
{
    for (AdapterTest& test : m_tests)
        if (test.testId == testId)
            return &test;
    return nullptr;
}
