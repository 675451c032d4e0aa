// CListWorker<T, TTest>: the worker of a plug-in that keeps one list of tests. It holds the
// list and its lock, turns each test line (read by the plug-in's ReadTestLine) into an add,
// modify or delete, and hands a check pass the tests it takes (CTestList's pass rule: a
// check-now pass only the new tests). The middle class (CDiskMon<T>, ...) derives from it,
// reads its lines, says what its log says at each step and measures in Check.
//
// The steps are virtual, so a plug-in whose rules differ overrides the one step concerned.
#pragma once

#include "critical_section.h"
#include "line_reader.h"
#include "mon_checker_base.h"
#include "test_list.h"

template <class T, class TTest>
class CListWorker : public CMonCheckerBase<T> {
public:
    using List = CTestList<TTest>;
    using Hooks = typename List::Hooks;
    using Key = typename List::Key;
    using AddOutcome = typename List::AddOutcome;
    using Copies = typename List::Tests;

    // The owner calls Stop first; this only frees the tests.
    ~CListWorker() override { ClearTests(); }

    bool ProcessTest(const char* utf8Line) override
    {
        if (!utf8Line || !*utf8Line)
            return false;
        TestLine<TTest> line;
        if (!ReadTestLine(utf8Line, &line))
            return false;
        switch (line.action) {
        case LineAction::Add:
            AddTest(line.test);
            break;
        case LineAction::Modify:
            ModifyTest(line.test);
            break;
        case LineAction::Delete:
            RemoveTest(line.test.tid);
            break;
        case LineAction::Incorrect:
            OnIncorrectLine();
            break;
        case LineAction::Ignored:
            break;
        }
        return true;
    }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        ClearTests();
    }

    // False for a test the hooks refuse; a new test wakes the worker for a check-now pass.
    virtual bool AddTest(const TTest& test)
    {
        if (!Hooks::Accepts(test))
            return false;
        AddOutcome outcome;
        {
            CScopedLock lock(m_testLock);
            OnAdding(test);
            outcome = m_tests.Add(test);
            OnAddOutcome(outcome);
        }
        if (outcome == AddOutcome::Added && WakeAfterAdd())
            this->SignalCheckNow();
        return true;
    }

    // False for an id the hooks do not take.
    virtual bool ModifyTest(const TTest& test)
    {
        if (!Hooks::TakesId(test.tid))
            return false;
        bool found;
        {
            CScopedLock lock(m_testLock);
            OnModifying(test);
            found = m_tests.Modify(test);
        }
        if (WakeAfterModify(found))
            this->SignalCheckNow();
        return true;
    }

    // False for an id the hooks do not take.
    virtual bool RemoveTest(Key tid)
    {
        if (!Hooks::TakesId(tid))
            return false;
        CScopedLock lock(m_testLock);
        OnRemoving(tid);
        m_tests.Remove(tid);
        return true;
    }

    void ClearTests()
    {
        CScopedLock lock(m_testLock);
        m_tests.Clear();
    }

protected:
    // Reads one test line (the plug-in's parser); false when it cannot be read at all. A line
    // meant for something other than the list (tol_mem's load averages, tol_snmp's traps) is
    // handed on there and read as Ignored.
    virtual bool ReadTestLine(const char* utf8Line, TestLine<TTest>* line) = 0;

    // What the log says at each step; each is called under the test lock and says nothing
    // unless the plug-in says otherwise.
    virtual void OnAdding(const TTest& test) { (void)test; }
    virtual void OnAddOutcome(AddOutcome outcome) { (void)outcome; }
    virtual void OnModifying(const TTest& test) { (void)test; }
    virtual void OnRemoving(Key tid) { (void)tid; }
    virtual void OnIncorrectLine() {}

    // Whether a change wakes the worker for a check-now pass.
    virtual bool WakeAfterAdd() const { return true; }
    virtual bool WakeAfterModify(bool found) const { return found; }

    // Copies of the tests one pass takes, for a pass that runs without the lock.
    Copies TakePass(bool forced)
    {
        CScopedLock lock(m_testLock);
        return m_tests.TakePass(forced);
    }

    CCriticalSection m_testLock;
    List m_tests;  // under m_testLock
};
