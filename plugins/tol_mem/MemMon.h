// CMemMon<T>: the memory plug-in's worker. It keeps two test lists, memory tests and
// load-average tests, under one test-list lock; a check pass (timer or check-now alike) reads
// the local memory status once, then measures every memory test (locally, or over SNMP from a
// remote host's storage table) and every load-average test with a host (over SNMP from the
// UCD load table), holding the lock for the whole pass, and posts one record per test.
//
// Measuring goes through an IMemMeter and ISnmpQueries (the system's unless a test sets its
// own); judging and records are the pure functions of mem_verdict.h and mem_record.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "critical_section.h"
#include "format_text.h"
#include "mem_figures.h"
#include "mem_line.h"
#include "mem_meter.h"
#include "mem_record.h"
#include "mem_storage.h"
#include "mem_verdict.h"
#include "mon_checker_base.h"
#include "snmp_queries.h"
#include "test_list.h"
#include "text_numbers.h"

template <class T>
class CMemMon : public CMonCheckerBase<T> {
public:
    static constexpr int kLevelTests = 1;     // test-list changes, measured values, errors
    static constexpr int kLevelProgress = 4;  // per-test progress
    static constexpr int kLevelPass = 5;      // a pass's begin and end
    // How long a GET of a remote host is waited for (the client's own time-out is longer).
    static constexpr unsigned long kGetWaitMs = 3000;

    CMemMon() = default;

    // The owner calls Stop first; stopping again here is harmless.
    ~CMemMon() override
    {
        CMonCheckerBase<T>::Stop();
        ClearTests();
    }

    // For tests: figures of their own in place of the system's.
    void SetMeters(IMemMeter* meter, ISnmpQueries* snmp)
    {
        m_meter = meter;
        m_snmp = snmp;
    }

    bool ProcessTest(const char* utf8Line) override
    {
        if (!utf8Line || !*utf8Line)
            return false;
        Post(kLevelTests, FormatText("tol_mem: processing test: '%s'", utf8Line));
        MemLine line;
        if (!ParseMemLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case MemLineKind::AddMem:
            AddMemTest(line.mem);
            break;
        case MemLineKind::ModifyMem:
            ModifyMemTest(line.mem);
            break;
        case MemLineKind::RemoveMem:
            RemoveMemTest(line.mem.tid);
            break;
        case MemLineKind::AddLoad:
            AddLoadAvgTest(line.load);
            break;
        case MemLineKind::ModifyLoad:
            ModifyLoadAvgTest(line.load);
            break;
        case MemLineKind::RemoveLoad:
            RemoveLoadAvgTest(line.load.tid);
            break;
        case MemLineKind::Incorrect:
            Post(kLevelTests, "tol_mem: Incorrect test format!");
            break;
        }
        return true;
    }

    bool Start() override { return CMonCheckerBase<T>::Start(); }

    void Stop() override
    {
        CMonCheckerBase<T>::Stop();
        ClearTests();
    }

    // Every test is measured, whether the pass comes from the timer or from check-now. The pass
    // ends between two tests once Stop has been asked for: the plug-in is being released.
    void Check(bool forced) override
    {
        (void)forced;
        MemFigures local;
        if (!m_meter->ReadLocal(&local)) {
            Post(kLevelTests, "tol_mem: GlobalMemoryStatusEx failed.");
            return;
        }
        CScopedLock lock(m_testLock);
        Post(kLevelPass,
             FormatText("tol_mem: begin checking. mem test count: %d, la test count: %d",
                        static_cast<int>(m_memTests.Size()), static_cast<int>(m_loadTests.Size())));
        for (const auto& test : m_memTests) {
            if (this->StopRequested())
                break;
            CheckMemTest(*test, local);
        }
        for (const auto& test : m_loadTests) {
            if (this->StopRequested())
                break;
            if (!test->hostAddr.empty())
                CheckLoadTest(*test);
        }
        Post(kLevelPass, "tol_mem: end checking");
    }

    bool AddMemTest(const MemTest& test)
    {
        if (test.tid < 1)
            return false;
        CScopedLock lock(m_testLock);
        Post(kLevelTests,
             FormatText("tol_mem: adding test... tid:%d, lid:%d, mem_min:%d, page_min:%d, "
                        "vsize_min:%d, buffered_min:%d, cached_min:%d, hostAddr: %s",
                        test.tid, test.lid, test.mem_min, test.page_min, test.vsize_min,
                        test.buffered_min, test.cached_min, test.hostAddr.c_str()));
        if (Added(m_memTests.Add(test)))
            this->SignalCheckNow();
        return true;
    }

    bool ModifyMemTest(const MemTest& test)
    {
        CScopedLock lock(m_testLock);
        Post(kLevelTests,
             FormatText("tol_mem: modifing test... tid:%d, lid:%d, mem_min:%d, page_min:%d, "
                        "vsize_min:%d, buffered_min:%d, cached_min:%d, hostAddr:%s",
                        test.tid, test.lid, test.mem_min, test.page_min, test.vsize_min,
                        test.buffered_min, test.cached_min, test.hostAddr.c_str()));
        m_memTests.Modify(test);
        return true;
    }

    bool RemoveMemTest(int tid)
    {
        if (tid < 1)
            return false;
        CScopedLock lock(m_testLock);
        Post(kLevelTests, FormatText("tol_mem: removing test... tid:%d", tid));
        m_memTests.Remove(tid);
        return true;
    }

    // A new load-average test waits for the next timer pass.
    bool AddLoadAvgTest(const LoadAvgTest& test)
    {
        if (test.tid < 1)
            return false;
        CScopedLock lock(m_testLock);
        Post(kLevelTests,
             FormatText("tol_mem: adding load average test... tid:%d, lid:%d, max1:%d, max5:%d, "
                        "max15:%d",
                        test.tid, test.lid, test.max1, test.max5, test.max15));
        Added(m_loadTests.Add(test));
        return true;
    }

    bool ModifyLoadAvgTest(const LoadAvgTest& test)
    {
        CScopedLock lock(m_testLock);
        Post(kLevelTests,
             FormatText("tol_mem: modifing load average test... tid:%d, lid:%d, max1:%d, "
                        "max5:%d, max15:%d",
                        test.tid, test.lid, test.max1, test.max5, test.max15));
        m_loadTests.Modify(test);
        return true;
    }

    bool RemoveLoadAvgTest(int tid)
    {
        if (tid < 1)
            return false;
        CScopedLock lock(m_testLock);
        Post(kLevelTests, FormatText("tol_mem: removing load average test... tid:%d", tid));
        m_loadTests.Remove(tid);
        return true;
    }

    bool ClearTests()
    {
        CScopedLock lock(m_testLock);
        m_memTests.Clear();
        m_loadTests.Clear();
        return true;
    }

private:
    void Post(int level, const std::string& text) { this->PostEvent(level, text.c_str()); }

    // A remote walk also ends between its steps once Stop has been asked for.
    SnmpStopCheck StopCheck() const
    {
        return [this] { return this->StopRequested(); };
    }

    // Logs the outcome of an add; true when the test joined its list.
    template <class Outcome>
    bool Added(Outcome outcome)
    {
        if (outcome == Outcome::Duplicate)
            Post(kLevelTests, "tol_mem: found duplicated test. skipping...");
        else if (outcome == Outcome::Added)
            Post(kLevelTests, "tol_mem: test added successfully...");
        return outcome == Outcome::Added;
    }

    void CheckMemTest(const MemTest& test, const MemFigures& local)
    {
        Post(kLevelProgress, FormatText("tol_mem: checking tid: %d, lid: %d", test.tid, test.lid));
        MemFigures figures;
        unsigned int measured = kStatusWithinLimits;
        if (test.hostAddr.empty())
            figures = local;
        else
            measured = MeasureRemoteMemory(test.hostAddr, &figures);
        Post(kLevelTests, MemValuesLine(test, figures));
        MemVerdict verdict = JudgeMemory(test, figures, measured);
        CComBSTR bytes;
        if (BuildMemoryRecord(test.tid, test.lid, figures, verdict, &bytes))
            this->PostResult(&bytes, "tol_mem: New data is available.");
    }

    // 0, or the status of a remote test that gave no figures.
    unsigned int MeasureRemoteMemory(const std::string& host, MemFigures* figures)
    {
        Post(kLevelProgress, FormatText("tol_mem: remote test: host: '%s'", host.c_str()));
        std::vector<SnmpRow> rows;
        StoragePlan plan;
        if (m_snmp->Walk(host.c_str(), kStorageDescrRoot, &rows, StopCheck()) == kSnmpQueryOk)
            plan = PlanStorageRequests(rows);
        std::vector<std::string> values;
        std::vector<unsigned int> syntax;
        int result = m_snmp->Get(host.c_str(), plan.oids, &values, &syntax, kGetWaitMs);
        if (result != kSnmpQueryOk) {
            Post(kLevelTests,
                 FormatText("tol_mem: remote test: GetOIDValuesFromHost failed: retVal: %d",
                            result));
            return RemoteFailureStatus(result);
        }
        Post(kLevelProgress, "tol_mem: remote test: GetOIDValuesFromHost succeeded.");
        ReadStorageFigures(plan, values, syntax, figures);
        // An answer that gave no figure at all is no measurement: judged as no limit kept.
        return figures->AnyMeasured() ? kStatusWithinLimits : kStatusNoFigures;
    }

    void CheckLoadTest(const LoadAvgTest& test)
    {
        Post(kLevelProgress,
             FormatText("tol_mem: checking remote load average: tid: %d, lid: %d, host: '%s'",
                        test.tid, test.lid, test.hostAddr.c_str()));
        LoadFigures figures;
        MemVerdict verdict = MeasureLoad(test, &figures);
        CComBSTR bytes;
        if (BuildLoadAverageRecord(test.tid, test.lid, figures, verdict, &bytes))
            this->PostResult(&bytes, "tol_mem (LA): New data is available.");
    }

    MemVerdict MeasureLoad(const LoadAvgTest& test, LoadFigures* figures)
    {
        static const std::vector<std::string> kLoadOids = {
            "1.3.6.1.4.1.2021.10.1.3.1", "1.3.6.1.4.1.2021.10.1.3.2", "1.3.6.1.4.1.2021.10.1.3.3"};
        std::vector<std::string> values;
        std::vector<unsigned int> syntax;
        int result = m_snmp->Get(test.hostAddr.c_str(), kLoadOids, &values, &syntax, kGetWaitMs);
        MemVerdict verdict;
        if (result != kSnmpQueryOk) {
            verdict.text = FormatText(
                "tol_mem: remote load average: GetOIDValuesFromHost failed: retVal: %d", result);
            verdict.status = RemoteFailureStatus(result);
            Post(kLevelTests, verdict.text);
            return verdict;
        }
        const char* succeeded = "tol_mem: remote load average: GetOIDValuesFromHost succeeded";
        Post(kLevelProgress, succeeded);
        double* loads[] = {&figures->lav1, &figures->lav5, &figures->lav15};
        for (size_t i = 0; i < 3; ++i) {
            if (i >= values.size() || syntax[i] != kSnmpCodeOctets) {
                verdict.status = kStatusNoFigures;
                verdict.text = succeeded;
                return verdict;
            }
            *loads[i] = ReadDecimalNumber(values[i].c_str());
        }
        Post(kLevelTests,
             FormatText("tol_mem: remote load average: tid: %d, lid: %d, lav1: %.2f, lav5: %.2f, "
                        "lav15: %.2f",
                        test.tid, test.lid, figures->lav1, figures->lav5, figures->lav15));
        return JudgeLoad(test, *figures);
    }

    CTestList<MemTest> m_memTests;
    CTestList<LoadAvgTest> m_loadTests;
    CCriticalSection m_testLock;
    IMemMeter* m_meter = &SystemMemMeter();
    ISnmpQueries* m_snmp = &SystemSnmpQueries();
};
