// CTestMon<T>: the test plug-in's middle class. Its tests post one record per test and pass,
// so the framework's passes can be watched from outside.
//
// Test lines (TAB-separated):
//   TSA <tid> <lid>        add a test (tid above 0); wakes the worker at once
//   TSD <tid>              delete a test
//   TSP <ms> <watch>       every following pass lasts ms milliseconds; watch 1: the pass ends
//                          early when the worker is stopped, 0: it does not look
//   TSM                    runs out of memory (throws std::bad_alloc)
// Each pass logs "tol_fwtest: pass <n> <timer|check-now>" (level 5) at its start and
// "tol_fwtest: pass <n> ended" at its end, and posts for each test a record of type 99 with
// the pass number (UI32) and "timer" or "check-now" (text).
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "critical_section.h"
#include "heap_helpers.h"
#include "mon_checker_base.h"
#include "test_record.h"
#include "test_probe.h"

template <class T>
class CTestMon : public CMonCheckerBase<T> {
public:
    CTestMon() { TestProbeWorkerCreated(); }
    ~CTestMon() override
    {
        CMonCheckerBase<T>::Stop();
        TestProbeWorkerDeleted();
    }

    bool ProcessTest(const char* utf8Line) override
    {
        char** fields = nullptr;
        unsigned count = 0;
        if (!utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
            return false;
        std::string code = fields[0];
        if (code == "TSA" && count == 3)
            AddTest(atoi(fields[1]), atoi(fields[2]));
        else if (code == "TSD" && count == 2)
            RemoveTest(atoi(fields[1]));
        else if (code == "TSP" && count == 3)
            SetPassLength(atoi(fields[1]), atoi(fields[2]) != 0);
        else if (code == "TSM" && count == 1) {
            // A line the worker has no memory for.
            FreeTextArray(&fields, &count);
            throw std::bad_alloc();
        } else
            this->PostEvent(1, "tol_fwtest: Incorrect test format!");
        FreeTextArray(&fields, &count);
        return true;
    }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        CScopedLock lock(m_testLock);
        m_tests.clear();
    }

    void Check(bool forced) override
    {
        TestProbePassStarted();
        int pass = ++m_passes;
        const char* kind = forced ? "check-now" : "timer";
        Log("tol_fwtest: pass " + std::to_string(pass) + " " + kind);
        DWORD length;
        bool watch;
        std::vector<Test> tests;
        {
            CScopedLock lock(m_testLock);
            length = m_passLength;
            watch = m_watchStop;
            tests = m_tests;
        }
        if (watch)
            this->WaitForStop(length);
        else
            Sleep(length);
        for (const Test& test : tests) {
            CComBSTR bytes;
            if (BuildTestRecord(test.tid, test.lid, static_cast<unsigned>(pass), kind, &bytes))
                this->PostResult(&bytes, "tol_fwtest: New data is available.");
        }
        Log("tol_fwtest: pass " + std::to_string(pass) + " ended");
        TestProbePassEnded();
    }

private:
    struct Test {
        int tid;
        int lid;
    };

    void Log(const std::string& text) { this->PostEvent(5, text.c_str()); }

    void AddTest(int tid, int lid)
    {
        if (tid < 1)
            return;
        {
            CScopedLock lock(m_testLock);
            for (const Test& test : m_tests)
                if (test.tid == tid)
                    return;
            m_tests.push_back({tid, lid});
        }
        this->PostEvent(1, "tol_fwtest: test added");
        this->SignalCheckNow();
    }

    void RemoveTest(int tid)
    {
        CScopedLock lock(m_testLock);
        for (auto it = m_tests.begin(); it != m_tests.end(); ++it) {
            if (it->tid == tid) {
                m_tests.erase(it);
                return;
            }
        }
    }

    void SetPassLength(int ms, bool watch)
    {
        CScopedLock lock(m_testLock);
        m_passLength = ms > 0 ? static_cast<DWORD>(ms) : 0;
        m_watchStop = watch;
    }

    CCriticalSection m_testLock;
    std::vector<Test> m_tests;
    DWORD m_passLength = 0;
    bool m_watchStop = true;
    int m_passes = 0;  // the worker thread's alone
};
