// CTestList<TTest>: a plug-in's tests in the order they were added, keyed by their test id
// (the member `tid`). Each test is a heap object owned by the list. Not locked: the worker
// holds its test-list lock around every call and while it walks the list.
#pragma once

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

template <class TTest>
class CTestList {
public:
    using Tests = std::vector<std::unique_ptr<TTest>>;

    enum class AddOutcome { Added, Duplicate, NoMemory };

    // A test id already in the list changes nothing (Duplicate); otherwise the test joins at
    // the end.
    AddOutcome Add(const TTest& test)
    {
        if (Find(test.tid))
            return AddOutcome::Duplicate;
        std::unique_ptr<TTest> entry(new (std::nothrow) TTest(test));
        if (!entry)
            return AddOutcome::NoMemory;
        m_tests.push_back(std::move(entry));
        return AddOutcome::Added;
    }

    // The first test with the id takes every value of `test` and keeps its place; false when
    // no test has the id.
    bool Modify(const TTest& test)
    {
        TTest* entry = Find(test.tid);
        if (!entry)
            return false;
        *entry = test;
        return true;
    }

    // Removes the first test with the id, keeping the order of the others.
    bool Remove(int tid)
    {
        auto it =
            std::find_if(m_tests.begin(), m_tests.end(),
                         [tid](const std::unique_ptr<TTest>& entry) { return entry->tid == tid; });
        if (it == m_tests.end())
            return false;
        m_tests.erase(it);
        return true;
    }

    void Clear() { m_tests.clear(); }

    TTest* Find(int tid) const
    {
        for (const auto& entry : m_tests)
            if (entry->tid == tid)
                return entry.get();
        return nullptr;
    }

    size_t Size() const { return m_tests.size(); }
    typename Tests::const_iterator begin() const { return m_tests.begin(); }
    typename Tests::const_iterator end() const { return m_tests.end(); }

private:
    Tests m_tests;
};
