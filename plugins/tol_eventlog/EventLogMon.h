// CEventLogMon<T>: the event-log plug-in's worker. A check pass copies the selected tests,
// hands each copy to a reading thread of its own and waits until every one has ended before it
// frees the copies; Stop signals the reader stop event first, so reading threads end after the
// record they are reading and the pass, and with it the worker thread, ends soon after.
//
// An add takes the log's end as the test's baseline before the test joins the list (a log that
// cannot be measured gives an error result instead); a modify is a delete and a new add. Logs
// are read through an IEventLogSource (the system's unless a test sets its own).
#pragma once

#include <windows.h>

#include <string>

#include "com_bstr.h"
#include "critical_section.h"
#include "event_log_line.h"
#include "event_log_reader.h"
#include "event_log_record.h"
#include "event_log_source.h"
#include "event_log_watch.h"
#include "event_types.h"
#include "format_text.h"
#include "heap_text.h"
#include "list_worker.h"
#include "reader_start.h"
#include "thread_group.h"
#include "unix_time.h"

template <class T>
class CEventLogMon : public CListWorker<T, EventLogTest>, public CEventLogReaderOwner {
public:
    using Base = CListWorker<T, EventLogTest>;
    using Base::Post;
    using typename Base::Hooks;

    static constexpr const char* kNewData = "tol_evt: New data is available.";
    static constexpr int kLevelTests = 1;  // test-list changes
    static constexpr int kLevelPass = 5;   // a pass's begin

    CEventLogMon() : ReaderStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner calls Stop first: no reading thread runs any more.
    ~CEventLogMon() override
    {
        Post(kLevelTests, "tol_evt: removing all tests...");  // the list worker frees them
        if (ReaderStopEvent)
            CloseHandle(ReaderStopEvent);
    }

    // For tests: logs of their own in place of the system's.
    void SetEventLog(IEventLogSource* source) { m_source = source; }

    IEventLogSource* EventLog() override { return m_source; }

    bool ProcessTest(const char* utf8Line) override
    {
        if (utf8Line && *utf8Line)
            Post(kLevelTests, FormatText("tol_evt: processing test: '%s'", utf8Line));
        return Base::ProcessTest(utf8Line);
    }

    void PostResult(CComBSTR* data, const char* desc) override { Base::PostResult(data, desc); }

    void PostEvent(int level, const char* text) override { Base::PostEvent(level, text); }

    // The tests stay until the worker goes (its destructor says so in the log).
    void Stop() override
    {
        if (ReaderStopEvent)
            SetEvent(ReaderStopEvent);
        CMonCheckerBase<T>::Stop();
    }

    void Check(bool forced) override
    {
        typename Base::Copies copies;
        size_t count = 0;
        long long now = SecondsSince1970();
        {
            CScopedLock lock(this->m_testLock);
            count = this->m_tests.Size();
            if (count == 0)
                return;
            copies = this->m_tests.TakePass(forced);
        }
        // Posted once the list is free again: no lock is held across a call into the agent.
        Post(kLevelPass,
             FormatText("tol_evt: begin checking. test count: %d", static_cast<int>(count)));
        CThreadGroup readers;
        for (auto& copy : copies) {
            copy->timeStamp = now;
            StartEventLogReader(copy.get(), &readers);
        }
        readers.JoinAll();
    }

    // The line's test with the log's end as its baseline; false for a test the hooks refuse,
    // an id in the list, or a log that cannot be measured (its error result is posted).
    bool AddTest(const EventLogTest& line) override
    {
        if (!Hooks::Accepts(line) || !IsNewTestId(line.tid))
            return false;
        PostTestLine("adding", line);
        EventLogTest test = MakeTest(line);
        DWORD end = 0;
        DWORD error = 0;
        if (!MeasureEventLogEnd(m_source, test.host, test.logName, &end, &error)) {
            CComBSTR bytes;
            if (BuildEventLogError(test.tid, test.lid, error, &bytes))
                PostResult(&bytes, kNewData);
            return false;
        }
        test.nextRecord = end;
        test.baselineTaken = true;
        {
            CScopedLock lock(this->m_testLock);
            if (this->m_tests.Add(test) != Base::AddOutcome::Added)
                return false;  // the same id was added meanwhile
        }
        this->SignalCheckNow();
        Post(kLevelTests, "tol_evt: test added successfully...");
        return true;
    }

    // A delete of the test and an add of the line's, at the end of the list with a new
    // baseline; nothing more when no test has the id.
    bool ModifyTest(const EventLogTest& line) override
    {
        if (!Hooks::Accepts(line))
            return false;
        PostTestLine("modifing", line);
        if (!RemoveTest(line.tid))
            return false;
        return AddTest(line);
    }

    // True when a test had the id.
    bool RemoveTest(int tid) override
    {
        Post(kLevelTests, FormatText("tol_evt: removing test... tid:%d", tid));
        CScopedLock lock(this->m_testLock);
        return this->m_tests.Remove(tid);
    }

    bool IsNewTestId(int tid)
    {
        CScopedLock lock(this->m_testLock);
        return this->m_tests.Find(tid) == nullptr;
    }

    void UpdateNextRecord(int tid, DWORD nextRecord) override
    {
        CScopedLock lock(this->m_testLock);
        if (EventLogTest* test = this->m_tests.Find(tid)) {
            test->nextRecord = nextRecord;
            test->baselineTaken = true;
        }
    }

    // Manual reset, never reset: reading threads test it before each record.
    HANDLE ReaderStopEvent;

protected:
    bool ReadTestLine(const char* utf8Line, EventLogLine* line) override
    {
        return ParseEventLogLine(utf8Line, line);
    }

    void OnIncorrectLine() override { Post(kLevelTests, "tol_evt: Incorrect test format!"); }

private:
    static const char* ShownText(const std::string& text)
    {
        return text.empty() ? "N/A" : text.c_str();
    }

    void PostTestLine(const char* action, const EventLogTest& line)
    {
        Post(kLevelTests,
             FormatText("tol_evt: %s test... tid:%d, lid:%d, host:%s, log_name:%s, supp_types:%s",
                        action, line.tid, line.lid, ShownText(line.line.host),
                        line.line.logName.c_str(), ShownText(line.line.types)));
    }

    // The test the line describes, as reading threads take it.
    EventLogTest MakeTest(const EventLogTest& line)
    {
        EventLogTest test = line;
        test.logName = Widen(line.line.logName);
        if (!line.line.host.empty())
            test.host = L"\\\\" + Widen(line.line.host);
        test.owner = this;
        test.stopEvent = ReaderStopEvent;
        test.timeStamp = SecondsSince1970();
        ParseEventTypes(line.line.types.c_str(), &test.eventTypes);
        return test;
    }

    IEventLogSource* m_source = &SystemEventLogSource();
};
