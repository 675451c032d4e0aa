// CProcMon<T>: the process plug-in's worker. The tests, the CPU samples and the check pass are
// CProcChecker's; this class guards them with the test-list lock, runs the pass on the
// framework's worker thread and posts what the checker leaves behind once the lock is let go:
// its log lines, and the records of one pass in a single hand-over.
#pragma once

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "critical_section.h"
#include "mon_checker_base.h"
#include "proc_checker.h"
#include "process_list.h"
#include "win_process_source.h"

template <class T>
class CProcMon : public CMonCheckerBase<T> {
public:
    using Base = CMonCheckerBase<T>;
    using Base::Post;

    static constexpr const char* kNewData = "tol_proc: New data is available.";

    CProcMon() : m_checker(m_source) {}

    bool ProcessTest(const char* utf8Line) override
    {
        bool taken = false;
        bool checkNow = false;
        std::vector<ProcLogLine> log;
        try {
            CScopedLock lock(m_testLock);
            taken = m_checker.ProcessLine(utf8Line, &checkNow);
            log = m_checker.TakeLog();
        } catch (const std::bad_alloc&) {
            return false;
        }
        PostLog(log);
        if (checkNow)
            this->SignalCheckNow();
        return taken;
    }

    void Stop() override
    {
        Base::Stop();
        CScopedLock lock(m_testLock);
        m_checker.RemoveAllTests();
    }

    void Check(bool forced) override
    {
        std::string records;
        std::vector<ProcLogLine> log;
        try {
            CScopedLock lock(m_testLock);
            m_checker.CheckPass(forced, &records);
            log = m_checker.TakeLog();
        } catch (const std::bad_alloc&) {
            return;
        }
        PostLog(log);
        CComBSTR data;
        if (!records.empty() && data.AssignBytes(records.data(), static_cast<UINT>(records.size())))
            this->PostResult(&data, kNewData);
    }

    // Appends a fresh RESULT_PROCESS_LIST record; touches neither the tests nor the samples.
    bool BuildProcessList(std::string* out)
    {
        try {
            return AppendProcessList(m_source, out);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

private:
    void PostLog(const std::vector<ProcLogLine>& log)
    {
        for (const ProcLogLine& line : log)
            Post(line.level, line.text);
    }

    CCriticalSection m_testLock;
    CWinProcessSource m_source;
    CProcChecker m_checker;
};
