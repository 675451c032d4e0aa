#include "http_test_list.h"

#include <algorithm>
#include <new>

bool CHttpTestList::Add(const HttpTest& test)
{
    if (test.testId == 0 || FindTest(test.testId))
        return false;
    std::unique_ptr<HttpTest> entry(new (std::nothrow) HttpTest(test));
    if (!entry)
        return false;
    entry->changed = true;
    m_tests.push_back(std::move(entry));
    return true;
}

bool CHttpTestList::Modify(const HttpTest& test)
{
    HttpTest* entry = FindTest(test.testId);
    if (!entry)
        return false;
    *entry = test;
    entry->changed = true;
    return true;
}

bool CHttpTestList::Remove(unsigned int testId)
{
    // Any id an add takes, a delete takes too: a test added with a negative id can be deleted.
    if (testId == 0)
        return false;
    auto it = std::find_if(m_tests.begin(), m_tests.end(),
                           [testId](const auto& entry) { return entry->testId == testId; });
    if (it == m_tests.end())
        return false;
    m_tests.erase(it);
    return true;
}

void CHttpTestList::Clear()
{
    m_tests.clear();
}

HttpTestCopies CHttpTestList::TakePass(bool forced)
{
    HttpTestCopies copies;
    for (auto& entry : m_tests) {
        if (forced && !entry->changed)
            continue;
        entry->changed = false;
        std::unique_ptr<HttpTest> copy(new (std::nothrow) HttpTest(*entry));
        if (copy)
            copies.push_back(std::move(copy));
    }
    return copies;
}

const HttpTest* CHttpTestList::Find(unsigned int testId) const
{
    for (const auto& entry : m_tests)
        if (entry->testId == testId)
            return entry.get();
    return nullptr;
}

HttpTest* CHttpTestList::FindTest(unsigned int testId)
{
    return const_cast<HttpTest*>(static_cast<const CHttpTestList*>(this)->Find(testId));
}
