// CTestList<TTest>: a plug-in's tests in the order they were added, keyed by their test id
// (the member `tid`). Each test is a heap object owned by the list. Not locked: the worker
// holds its test lock around every call and while it walks the list.
//
// A test joins as new; a check-now pass takes only the new tests, a timer pass every test, and
// after either no test is new. What a test type needs beyond that it says by specialising
// CTestListHooks (which tests an add refuses, what a modify carries over).
#pragma once

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

template <class TTest>
struct CTestListHooks {
    // An add takes only a test this accepts.
    static bool Accepts(const TTest& test)
    {
        (void)test;
        return true;
    }
    // A modify or a delete looks for a test only with an id this takes.
    static bool TakesId(decltype(TTest::tid) tid)
    {
        (void)tid;
        return true;
    }
    // Carries a modify's values over onto the listed test; true when the test is new again.
    static bool Modify(TTest* entry, const TTest& from)
    {
        *entry = from;
        return false;
    }
};

template <class TTest>
class CTestList {
public:
    using Hooks = CTestListHooks<TTest>;
    using Key = decltype(TTest::tid);
    using Tests = std::vector<std::unique_ptr<TTest>>;

    enum class AddOutcome { Added, Duplicate, Refused, NoMemory };

    // A test the hooks refuse, or whose id is already in the list, changes nothing; otherwise
    // the test joins at the end, as new.
    AddOutcome Add(const TTest& test)
    {
        if (!Hooks::Accepts(test))
            return AddOutcome::Refused;
        if (Find(test.tid))
            return AddOutcome::Duplicate;
        std::unique_ptr<TTest> entry(new (std::nothrow) TTest(test));
        if (!entry)
            return AddOutcome::NoMemory;
        // Room in both first: the two stay index for index even when memory runs out here.
        m_tests.reserve(m_tests.size() + 1);
        m_new.reserve(m_new.size() + 1);
        m_tests.push_back(std::move(entry));
        m_new.push_back(true);
        return AddOutcome::Added;
    }

    // The first test with the id takes the values the hooks carry over and keeps its place;
    // false when no test has the id.
    bool Modify(const TTest& test)
    {
        size_t index = IndexOf(test.tid);
        if (index == m_tests.size())
            return false;
        if (Hooks::Modify(m_tests[index].get(), test))
            m_new[index] = true;
        return true;
    }

    // Removes the first test with the id, keeping the order of the others.
    bool Remove(Key tid)
    {
        size_t index = IndexOf(tid);
        if (index == m_tests.size())
            return false;
        m_tests.erase(m_tests.begin() + index);
        m_new.erase(m_new.begin() + index);
        return true;
    }

    void Clear()
    {
        m_tests.clear();
        m_new.clear();
    }

    TTest* Find(Key tid) const
    {
        size_t index = IndexOf(tid);
        return index == m_tests.size() ? nullptr : m_tests[index].get();
    }

    bool IsNew(Key tid) const
    {
        size_t index = IndexOf(tid);
        return index != m_tests.size() && m_new[index];
    }

    // Calls each(TTest&) for the tests one pass takes (every test, or for a forced pass the
    // new ones alone), in list order, until it returns false; a test handed to it is no
    // longer new.
    template <class Each>
    void ForPass(bool forced, Each each)
    {
        for (size_t i = 0; i < m_tests.size(); ++i) {
            if (forced && !m_new[i])
                continue;
            m_new[i] = false;
            if (!each(*m_tests[i]))
                return;
        }
    }

    // Copies of the tests one pass takes (as ForPass), for a pass that runs without the lock;
    // a test that could not be copied for lack of memory stays new, for a later pass.
    Tests TakePass(bool forced)
    {
        Tests copies;
        for (size_t i = 0; i < m_tests.size(); ++i) {
            if (forced && !m_new[i])
                continue;
            std::unique_ptr<TTest> copy(new (std::nothrow) TTest(*m_tests[i]));
            if (!copy)
                continue;
            copies.push_back(std::move(copy));
            m_new[i] = false;
        }
        return copies;
    }

    size_t Size() const { return m_tests.size(); }
    typename Tests::const_iterator begin() const { return m_tests.begin(); }
    typename Tests::const_iterator end() const { return m_tests.end(); }

private:
    size_t IndexOf(Key tid) const
    {
        auto it =
            std::find_if(m_tests.begin(), m_tests.end(),
                         [tid](const std::unique_ptr<TTest>& entry) { return entry->tid == tid; });
        return static_cast<size_t>(it - m_tests.begin());
    }

    Tests m_tests;
    std::vector<bool> m_new;  // beside m_tests, index for index
};
