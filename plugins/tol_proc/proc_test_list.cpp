#include "proc_test_list.h"

#include <algorithm>

ProcAddResult CProcTestList::Add(const ProcTest& test)
{
    if (test.pname.empty() || test.tid == 0)
        return ProcAddResult::Refused;
    for (const auto& entry : m_tests)
        if (entry->pname == test.pname)
            return ProcAddResult::Duplicate;
    auto entry = std::make_unique<ProcTest>(test);
    entry->alarm = 0;
    entry->isNew = true;
    m_tests.push_back(std::move(entry));
    return ProcAddResult::Added;
}

bool CProcTestList::Modify(const ProcTest& test)
{
    ProcTest* entry = const_cast<ProcTest*>(Find(test.tid));
    if (!entry)
        return false;
    entry->pname = test.pname;
    entry->limits = test.limits;
    entry->lid = test.lid;
    entry->alarm = 0;
    entry->isNew = true;
    return true;
}

bool CProcTestList::Remove(int tid)
{
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [tid](const auto& entry) { return entry->tid == tid; });
    if (it == m_tests.end())
        return false;
    m_tests.erase(it);
    return true;
}

void CProcTestList::Clear()
{
    m_tests.clear();
}

const ProcTest* CProcTestList::Find(int tid) const
{
    for (const auto& entry : m_tests)
        if (entry->tid == tid)
            return entry.get();
    return nullptr;
}
