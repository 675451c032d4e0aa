#include "disk_test_list.h"

#include <algorithm>
#include <new>

CDiskTestList::AddOutcome CDiskTestList::Add(const DiskTest& test)
{
    if (FindTest(test.testId))
        return AddOutcome::Duplicate;
    std::unique_ptr<DiskTest> entry(new (std::nothrow) DiskTest(test));
    if (!entry)
        return AddOutcome::NoMemory;
    entry->lastReads = 0;
    entry->lastWrites = 0;
    entry->isNew = true;
    m_tests.push_back(std::move(entry));
    return AddOutcome::Added;
}

bool CDiskTestList::Modify(const DiskTest& test)
{
    DiskTest* entry = FindTest(test.testId);
    if (!entry)
        return false;
    entry->locationId = test.locationId;
    entry->drive = test.drive;
    entry->minimumFree = test.minimumFree;
    entry->lastReads = 0;
    entry->lastWrites = 0;
    entry->isNew = true;
    return true;
}

void CDiskTestList::Remove(int testId)
{
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [testId](const auto& entry) { return entry->testId == testId; });
    if (it != m_tests.end())
        m_tests.erase(it);
}

const DiskTest* CDiskTestList::Find(int testId) const
{
    for (const auto& entry : m_tests)
        if (entry->testId == testId)
            return entry.get();
    return nullptr;
}

DiskTest* CDiskTestList::FindTest(int testId)
{
    return const_cast<DiskTest*>(static_cast<const CDiskTestList*>(this)->Find(testId));
}
