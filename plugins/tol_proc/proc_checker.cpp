#include "proc_checker.h"

#include "format_text.h"
#include "heap_text.h"
#include "mon_result2.h"
#include "proc_line.h"
#include "proc_record.h"
#include "proc_verdict.h"

namespace {

// A name as log lines carry it: narrow, in the thread's ANSI code page, which the plug-in
// object widens them back with.
std::string LogName(const std::wstring& name)
{
    return Narrow(name, CP_THREAD_ACP);
}

std::string TestFields(const ProcTest& test)
{
    return FormatText("pname:'%s', tid:%d, lid:%d, max_cpu:%d, max_wss:%d, max_pfs:%d",
                      LogName(test.pname).c_str(), test.tid, test.lid, test.limits.maxCpu,
                      test.limits.maxWss, test.limits.maxPfs);
}

}  // namespace

// What one pass shares between its tests: one snapshot, taken when the first test is
// measured, and one record reused for every result.
struct CProcChecker::PassState {
    bool haveSnapshot = false;
    bool snapshotTaken = false;
    std::vector<ProcessEntry> processes;
    unsigned processors = 1;
    CMonResult2 record;
    bool recordReady = false;
    std::string* records = nullptr;
};

bool CProcChecker::ProcessLine(const char* utf8Line, bool* checkNow)
{
    *checkNow = false;
    if (!utf8Line || !*utf8Line)
        return false;
    Post(kLevelTests, FormatText("tol_proc: processing test: '%s'", utf8Line));
    ProcLine line;
    if (!ParseProcLine(utf8Line, &line))
        return false;
    switch (line.action) {
    case LineAction::Incorrect:
        Post(kLevelTests, "tol_proc: Incorrect test format!");
        return false;
    case LineAction::Add:
        return AddTest(line.test, checkNow);
    case LineAction::Modify:
        return ModifyTest(line.test, checkNow);
    case LineAction::Delete:
        return RemoveTest(line.test.tid);
    case LineAction::Ignored:
        break;
    }
    return false;
}

bool CProcChecker::AddTest(const ProcTest& test, bool* checkNow)
{
    if (test.pname.empty() || test.tid == 0)
        return false;
    Post(kLevelTests, "tol_proc: adding test... " + TestFields(test));
    switch (m_tests.Add(test)) {
    case ProcAddResult::Refused:
        return false;
    case ProcAddResult::Duplicate:
        Post(kLevelTests, "tol_proc: found duplicated process. skipping...");
        return true;
    case ProcAddResult::Added:
        break;
    }
    TakeFirstSamples(test.pname);
    Post(kLevelTests, "tol_proc: test added successfully...");
    *checkNow = true;
    return true;
}

bool CProcChecker::ModifyTest(const ProcTest& test, bool* checkNow)
{
    if (test.tid < 1)
        return false;
    Post(kLevelTests, "tol_proc: modifing test... " + TestFields(test));
    if (!m_tests.Modify(test))
        return false;
    *checkNow = true;
    return true;
}

bool CProcChecker::RemoveTest(int tid)
{
    // Any id an add takes, a delete takes too: a test added with a negative id can be deleted.
    if (tid == 0)
        return false;
    Post(kLevelTests, FormatText("tol_proc: removing test... tid:%d", tid));
    m_tests.Remove(tid);
    return true;
}

void CProcChecker::RemoveAllTests()
{
    m_tests.Clear();
}

void CProcChecker::CheckPass(bool forced, std::string* records)
{
    PassState pass;
    pass.records = records;
    pass.recordReady = CreateProcessRecord(&pass.record);
    Post(kLevelPass,
         FormatText("tol_proc: begin checking. test count: %d", static_cast<int>(m_tests.Size())));
    for (size_t i = 0; i < m_tests.Size(); ++i) {
        ProcTest& test = m_tests.At(i);
        if (forced && !test.isNew)
            continue;
        test.isNew = false;
        CheckTest(test, pass);
    }
    m_samples.Purge(m_source.Now());
    Post(kLevelPass, "tol_proc: end checking");
}

std::vector<ProcLogLine> CProcChecker::TakeLog()
{
    std::vector<ProcLogLine> lines;
    lines.swap(m_log);
    return lines;
}

void CProcChecker::Post(int level, std::string text)
{
    m_log.push_back(ProcLogLine{level, std::move(text)});
}

void CProcChecker::FindProcessIds(const std::vector<ProcessEntry>& processes,
                                  const std::wstring& name, std::vector<DWORD>* ids)
{
    for (const ProcessEntry& process : processes)
        if (process.name == name)
            ids->push_back(process.pid);
}

void CProcChecker::TakeFirstSamples(const std::wstring& name)
{
    std::vector<ProcessEntry> processes;
    if (!m_source.Snapshot(&processes))
        return;
    std::vector<DWORD> ids;
    FindProcessIds(processes, name, &ids);
    unsigned processors = m_source.ProcessorCount();
    for (DWORD pid : ids) {
        ProcessReading reading;
        if (m_source.ReadProcess(pid, false, &reading) && reading.haveCpu)
            m_samples.Sample(pid, reading.cpu, processors);
    }
}

void CProcChecker::CheckTest(ProcTest& test, PassState& pass)
{
    std::string name = LogName(test.pname);
    Post(kLevelProgress, FormatText("tol_proc: checking tid: %d, lid: %d, pname '%s'", test.tid,
                                    test.lid, name.c_str()));
    if (!pass.snapshotTaken) {
        pass.snapshotTaken = true;
        pass.haveSnapshot = m_source.Snapshot(&pass.processes);
        pass.processors = m_source.ProcessorCount();
    }
    std::vector<DWORD> ids;
    if (pass.haveSnapshot)
        FindProcessIds(pass.processes, test.pname, &ids);
    for (DWORD pid : ids)
        CheckProcess(test, pid, pass);
    if (!ids.empty())
        return;
    Post(kLevelTests, FormatText("tol_proc: tid:%d, lid:%d, pname'%s'. The process is not running",
                                 test.tid, test.lid, name.c_str()));
    ProcVerdict verdict = JudgeNotRunning(&test.alarm);
    if (pass.recordReady)
        AppendProcessRecord(&pass.record, test.tid, test.lid, 0, ProcFigures(), verdict,
                            pass.records);
}

void CProcChecker::CheckProcess(ProcTest& test, DWORD pid, PassState& pass)
{
    ProcFigures figures;
    ProcessReading reading;
    if (m_source.ReadProcess(pid, true, &reading)) {
        if (reading.haveCpu)
            figures.cpu = m_samples.Sample(pid, reading.cpu, pass.processors);
        figures.wss = reading.wss;
        figures.pfs = reading.pfs;
    }
    Post(kLevelTests,
         FormatText("tol_proc: tid: %d, lid: %d, pname: '%s', pid: %d, cpu:%.2f%%, wss:%.2f MB, "
                    "pfs:%.2f MB",
                    test.tid, test.lid, LogName(test.pname).c_str(), static_cast<int>(pid),
                    figures.cpu, figures.wss, figures.pfs));
    ProcVerdict verdict = JudgeProcess(test.limits, figures, &test.alarm);
    if (pass.recordReady)
        AppendProcessRecord(&pass.record, test.tid, test.lid, pid, figures, verdict, pass.records);
}
