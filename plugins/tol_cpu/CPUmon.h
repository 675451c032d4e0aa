// CCPUmon<T>: the processor plug-in's worker, on the framework's list worker. Its constructor
// sets up the local sampler; a check pass (timer or check-now alike) reads the local processor
// times once, then measures every test in list order, locally from that reading or remotely
// over SNMP, holding the test-list lock for the whole pass, and posts one RESULT_CPU record per
// test.
//
// Measuring goes through ICpuCounters and ISnmpQueries (the system's unless a test sets its
// own); arithmetic, judging and records are the pure functions of cpu_usage.h, cpu_remote.h,
// cpu_verdict.h and cpu_record.h.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "cpu_counters.h"
#include "cpu_figures.h"
#include "cpu_line.h"
#include "cpu_record.h"
#include "cpu_remote.h"
#include "cpu_sampler.h"
#include "cpu_verdict.h"
#include "format_text.h"
#include "list_worker.h"
#include "snmp_queries.h"

template <class T>
class CCPUmon : public CListWorker<T, CpuTest> {
public:
    using Base = CListWorker<T, CpuTest>;
    using Base::Post;
    using typename Base::AddOutcome;

    static constexpr int kLevelTests = 1;     // test-list changes, measured values
    static constexpr int kLevelProgress = 4;  // per-test progress, remote outcomes
    static constexpr int kLevelPass = 5;      // a pass's begin and end
    static constexpr unsigned long kGetWaitMs = 10000;

    // Counters of a test's own in place of the system's; the first pass measures the interval
    // since construction.
    explicit CCPUmon(ICpuCounters& counters = SystemCpuCounters()) : m_sampler(counters)
    {
        m_sampler.Init();
    }

    // The owner calls Stop first; stopping again here is harmless.
    ~CCPUmon() override { Base::Stop(); }

    // For tests: remote answers of their own.
    void SetQueries(ISnmpQueries* snmp) { m_snmp = snmp; }

    bool ProcessTest(const char* utf8Line) override
    {
        if (utf8Line && *utf8Line)
            Post(kLevelTests, FormatText("tol_cpu: processing test: '%s'", utf8Line));
        return Base::ProcessTest(utf8Line);
    }

    // A delete takes only ids from 1.
    bool RemoveTest(int tid) override { return tid >= 1 && Base::RemoveTest(tid); }

    // Every test is measured, whether the pass comes from the timer or from check-now; without
    // a ready sampler, or when the processor times cannot be read, the pass does nothing. It
    // ends between two tests once Stop has been asked for: the plug-in is being released.
    void Check(bool forced) override
    {
        (void)forced;
        CpuUsage system;
        std::vector<CpuUsage> processors;
        if (!m_sampler.Ready() || !m_sampler.Sample(&system, &processors))
            return;
        CScopedLock lock(this->m_testLock);
        Post(kLevelPass, FormatText("tol_cpu: begin checking. test count: %d",
                                    static_cast<int>(this->m_tests.Size())));
        this->m_tests.ForPass(false, [&](const CpuTest& test) {
            if (this->StopRequested())
                return false;
            CheckTest(test, system, processors);
            return true;
        });
        Post(kLevelPass, "tol_cpu: end checking");
    }

    int ProcessorCount() const { return m_sampler.ProcessorCount(); }

protected:
    // An incorrect line is logged and answered with false.
    bool ReadTestLine(const char* utf8Line, CpuLine* line) override
    {
        if (!ParseCpuLine(utf8Line, line))
            return false;
        if (line->action != LineAction::Incorrect)
            return true;
        OnIncorrectLine();
        return false;
    }

    void OnAdding(const CpuTest& test) override { PostTestLine("adding", test); }

    void OnAddOutcome(AddOutcome outcome) override
    {
        if (outcome == AddOutcome::Added)
            Post(kLevelTests, "tol_cpu: test added successfully...");
        else if (outcome == AddOutcome::Duplicate)
            Post(kLevelTests, "tol_cpu: found duplicated test. skipping...");
    }

    void OnModifying(const CpuTest& test) override { PostTestLine("modifing", test); }

    void OnRemoving(int tid) override
    {
        Post(kLevelTests, FormatText("tol_cpu: removing test... tid:%d", tid));
    }

    void OnIncorrectLine() override { Post(kLevelTests, "tol_cpu: Incorrect test format!"); }

    bool WakeAfterModify(bool found) const override
    {
        (void)found;
        return false;
    }

private:
    void PostTestLine(const char* action, const CpuTest& test)
    {
        Post(
            kLevelTests,
            FormatText("tol_cpu: %s test... tid:%d, lid:%d, user_max:%.2f, kernel_max:%.2f, "
                       "nice_max:%.2f, idle_min:%.2f, iowait_max:%.2f, hostAddr: %s, system %s",
                       action, test.tid, test.lid, test.user_max, test.kernel_max, test.nice_max,
                       test.idle_min, test.iowait_max, test.hostAddr.c_str(), test.system.c_str()));
    }

    void CheckTest(const CpuTest& test, const CpuUsage& system,
                   const std::vector<CpuUsage>& processors)
    {
        Post(kLevelProgress, FormatText("tol_cpu: checking tid: %d, lid: %d", test.tid, test.lid));
        CpuFigures figures;
        unsigned int measured = kStatusWithinLimits;
        std::vector<ProcessorResult> perProcessor;
        if (test.hostAddr.empty()) {
            figures.cpu_usage = system.usage;
            figures.krn_usage = system.kernel;
            for (size_t i = 0; i < processors.size(); ++i)
                perProcessor.push_back(
                    {processors[i], JudgeProcessor(test, static_cast<unsigned>(i), processors[i])});
        } else {
            measured = MeasureRemote(test, &figures);
        }
        Post(kLevelTests, CpuValuesLine(test, figures));
        CpuVerdict verdict = JudgeCpu(test, figures, measured);
        CComBSTR bytes;
        if (BuildCpuRecord(test.tid, test.lid, figures, verdict, perProcessor, &bytes))
            this->PostResult(&bytes, "tol_cpu: New data is available.");
    }

    // 0, or the status of a remote test that gave no figures.
    unsigned int MeasureRemote(const CpuTest& test, CpuFigures* figures)
    {
        const char* host = test.hostAddr.c_str();
        Post(kLevelProgress, FormatText("tol_cpu: remote test: host: '%s'", host));
        int result;
        unsigned int measured = kStatusNoFigures;
        if (IsLinuxSystem(test.system)) {
            std::vector<std::string> values;
            std::vector<unsigned int> syntax;
            result = m_snmp->Get(host, UcdRawCounterOids(), &values, &syntax, kGetWaitMs);
            if (result == kSnmpQueryOk) {
                Post(kLevelProgress,
                     "tol_cpu: remote test: GetOIDValuesFromHost for linux succeeded.");
                measured = FiguresFromUcdCounters(values, syntax, figures);
            }
        } else {
            std::vector<SnmpRow> rows;
            // A remote walk also ends between its steps once Stop has been asked for.
            result = m_snmp->Walk(host, kProcessorLoadRoot, &rows,
                                  [this] { return this->StopRequested(); });
            if (result == kSnmpQueryOk) {
                Post(kLevelProgress,
                     "tol_cpu: remote test: GetOIDValuesFromHost for non-linux succeeded.");
                measured = FiguresFromProcessorLoads(rows, figures);
            }
        }
        if (result == kSnmpQueryOk)
            return measured;
        Post(kLevelProgress,
             FormatText("tol_cpu: remote test: GetOIDValuesFromHost failed: retVal: %d", result));
        return RemoteFailureStatus(result);
    }

    CCpuSampler m_sampler;
    ISnmpQueries* m_snmp = &SystemSnmpQueries();
};
