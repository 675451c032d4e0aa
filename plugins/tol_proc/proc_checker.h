// CProcChecker: the process plug-in's tests, CPU samples and check pass, over a process
// source. Not locked and not threaded: CProcMon<T> holds its test-list lock around every call
// and posts what a call leaves behind (log lines, the pass's records) once it has let go.
//
// Log lines begin with "tol_proc: "; their levels are the kLevel constants below.
#pragma once

#include <string>
#include <vector>

#include "cpu_sample_list.h"
#include "proc_test_list.h"
#include "process_source.h"

struct ProcLogLine {
    int level;
    std::string text;
};

class CProcChecker {
public:
    static constexpr int kLevelTests = 1;     // test-list changes, measured figures, errors
    static constexpr int kLevelProgress = 4;  // per-test progress
    static constexpr int kLevelPass = 5;      // a pass's begin and end

    explicit CProcChecker(CProcessSource& source) : m_source(source) {}

    // One test line (UTF-8); false for an empty, malformed or refused line. *checkNow is set
    // when the worker should measure at once.
    bool ProcessLine(const char* utf8Line, bool* checkNow);

    // Add takes any non-zero id, modify ids above 0; remove takes any non-zero id, so that
    // every test added can be deleted again.
    bool AddTest(const ProcTest& test, bool* checkNow);
    bool ModifyTest(const ProcTest& test, bool* checkNow);
    bool RemoveTest(int tid);
    void RemoveAllTests();

    // One check pass: every test (forced false) or only the new ones; the records of the pass
    // are appended to *records back to back.
    void CheckPass(bool forced, std::string* records);

    // The log lines since the last call.
    std::vector<ProcLogLine> TakeLog();

    const CProcTestList& Tests() const { return m_tests; }
    const CCpuSampleList& Samples() const { return m_samples; }

private:
    struct PassState;

    void Post(int level, std::string text);
    void FindProcessIds(const std::vector<ProcessEntry>& processes, const std::wstring& name,
                        std::vector<DWORD>* ids);
    void TakeFirstSamples(const std::wstring& name);
    void CheckTest(ProcTest& test, PassState& pass);
    void CheckProcess(ProcTest& test, DWORD pid, PassState& pass);

    CProcessSource& m_source;
    CProcTestList m_tests;
    CCpuSampleList m_samples;
    std::vector<ProcLogLine> m_log;
};
