// CMemMon<T>: the memory plug-in's worker, on the framework's list worker. It keeps two test
// lists under the one test lock: the worker's list of memory tests and its own of load-average
// tests. A check pass (timer or check-now alike) reads the local memory status once, then
// measures every memory test (locally, or over SNMP from a remote host's storage table) and
// every load-average test with a host (over SNMP from the UCD load table), holding the lock for
// the whole pass, and posts one record per test.
//
// Measuring goes through an IMemMeter and ISnmpQueries (the system's unless a test sets its
// own); judging and records are the pure functions of mem_verdict.h and mem_record.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "format_text.h"
#include "list_worker.h"
#include "mem_figures.h"
#include "mem_line.h"
#include "mem_meter.h"
#include "mem_record.h"
#include "mem_storage.h"
#include "mem_verdict.h"
#include "snmp_queries.h"
#include "text_numbers.h"

template <class T>
class CMemMon : public CListWorker<T, MemTest> {
public:
    using Base = CListWorker<T, MemTest>;
    using Base::Post;
    using typename Base::AddOutcome;

    static constexpr int kLevelTests = 1;     // test-list changes, measured values, errors
    static constexpr int kLevelProgress = 4;  // per-test progress
    static constexpr int kLevelPass = 5;      // a pass's begin and end
    // How long a GET of a remote host is waited for (the client's own time-out is longer).
    static constexpr unsigned long kGetWaitMs = 3000;

    CMemMon() = default;

    // The owner calls Stop first; stopping again here is harmless.
    ~CMemMon() override { CMemMon::Stop(); }

    // For tests: figures of their own in place of the system's.
    void SetMeters(IMemMeter* meter, ISnmpQueries* snmp)
    {
        m_meter = meter;
        m_snmp = snmp;
    }

    bool ProcessTest(const char* utf8Line) override
    {
        if (utf8Line && *utf8Line)
            Post(kLevelTests, FormatText("tol_mem: processing test: '%s'", utf8Line));
        return Base::ProcessTest(utf8Line);
    }

    void Stop() override
    {
        Base::Stop();
        CScopedLock lock(this->m_testLock);
        m_loadTests.Clear();
    }

    // A delete takes only ids from 1.
    bool RemoveTest(int tid) override { return tid >= 1 && Base::RemoveTest(tid); }

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
        CScopedLock lock(this->m_testLock);
        Post(kLevelPass,
             FormatText("tol_mem: begin checking. mem test count: %d, la test count: %d",
                        static_cast<int>(this->m_tests.Size()),
                        static_cast<int>(m_loadTests.Size())));
        this->m_tests.ForPass(false, [&](const MemTest& test) {
            if (this->StopRequested())
                return false;
            CheckMemTest(test, local);
            return true;
        });
        m_loadTests.ForPass(false, [this](const LoadAvgTest& test) {
            if (this->StopRequested())
                return false;
            if (!test.hostAddr.empty())
                CheckLoadTest(test);
            return true;
        });
        Post(kLevelPass, "tol_mem: end checking");
    }

    // A new load-average test waits for the next timer pass; a change wakes nobody.
    bool AddLoadAvgTest(const LoadAvgTest& test)
    {
        if (!CTestListHooks<LoadAvgTest>::Accepts(test))
            return false;
        CScopedLock lock(this->m_testLock);
        PostLoadLine("adding", test);
        PostAddOutcome(m_loadTests.Add(test));
        return true;
    }

protected:
    // A load-average line goes to its own list here, and is ignored by the worker's.
    bool ReadTestLine(const char* utf8Line, TestLine<MemTest>* line) override
    {
        MemLine read;
        if (!ParseMemLine(utf8Line, &read))
            return false;
        line->action = read.action;
        line->test = read.mem;
        if (read.list == MemLineList::LoadAverage) {
            TakeLoadLine(read.action, read.load);
            line->action = LineAction::Ignored;
        }
        return true;
    }

    void OnAdding(const MemTest& test) override { PostMemLine("adding", "hostAddr: ", test); }
    void OnAddOutcome(AddOutcome outcome) override { PostAddOutcome(outcome); }
    void OnModifying(const MemTest& test) override { PostMemLine("modifing", "hostAddr:", test); }

    void OnRemoving(int tid) override
    {
        Post(kLevelTests, FormatText("tol_mem: removing test... tid:%d", tid));
    }

    void OnIncorrectLine() override { Post(kLevelTests, "tol_mem: Incorrect test format!"); }

    bool WakeAfterModify(bool found) const override
    {
        (void)found;
        return false;
    }

private:
    void TakeLoadLine(LineAction action, const LoadAvgTest& test)
    {
        if (action == LineAction::Add) {
            AddLoadAvgTest(test);
            return;
        }
        if (action == LineAction::Delete && test.tid < 1)
            return;
        CScopedLock lock(this->m_testLock);
        if (action == LineAction::Modify) {
            PostLoadLine("modifing", test);
            m_loadTests.Modify(test);
        } else if (action == LineAction::Delete) {
            Post(kLevelTests,
                 FormatText("tol_mem: removing load average test... tid:%d", test.tid));
            m_loadTests.Remove(test.tid);
        }
    }

    // Both lists log the outcome of an add alike.
    template <class Outcome>
    void PostAddOutcome(Outcome outcome)
    {
        if (outcome == Outcome::Duplicate)
            Post(kLevelTests, "tol_mem: found duplicated test. skipping...");
        else if (outcome == Outcome::Added)
            Post(kLevelTests, "tol_mem: test added successfully...");
    }

    void PostMemLine(const char* action, const char* hostLabel, const MemTest& test)
    {
        Post(kLevelTests,
             FormatText("tol_mem: %s test... tid:%d, lid:%d, mem_min:%d, page_min:%d, "
                        "vsize_min:%d, buffered_min:%d, cached_min:%d, %s%s",
                        action, test.tid, test.lid, test.mem_min, test.page_min, test.vsize_min,
                        test.buffered_min, test.cached_min, hostLabel, test.hostAddr.c_str()));
    }

    void PostLoadLine(const char* action, const LoadAvgTest& test)
    {
        Post(kLevelTests, FormatText("tol_mem: %s load average test... tid:%d, lid:%d, max1:%d, "
                                     "max5:%d, max15:%d",
                                     action, test.tid, test.lid, test.max1, test.max5, test.max15));
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
        // A remote walk also ends between its steps once Stop has been asked for.
        if (m_snmp->Walk(host.c_str(), kStorageDescrRoot, &rows,
                         [this] { return this->StopRequested(); }) == kSnmpQueryOk)
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

    CTestList<LoadAvgTest> m_loadTests;  // under m_testLock, beside the memory tests
    IMemMeter* m_meter = &SystemMemMeter();
    ISnmpQueries* m_snmp = &SystemSnmpQueries();
};
