// CEventLogMon<T>: the event-log plug-in's worker. A check pass copies the selected tests,
// hands each copy to a reading thread of its own and waits until every one has ended before it
// frees the copies; Stop signals the reader stop event first, so reading threads end after the
// record they are reading and the pass, and with it the worker thread, ends soon after.
#pragma once

#include <windows.h>

#include <memory>
#include <new>

#include "com_bstr.h"
#include "critical_section.h"
#include "event_log_line.h"
#include "event_log_reader.h"
#include "event_log_record.h"
#include "event_log_test.h"
#include "event_log_test_list.h"
#include "event_types.h"
#include "heap_helpers.h"
#include "mon_checker_base.h"
#include "reader_start.h"
#include "thread_group.h"
#include "format_text.h"

template <class T>
class CEventLogMon : public CMonCheckerBase<T>, public CEventLogReaderOwner {
public:
    static constexpr const char* kNewData = "tol_evt: New data is available.";
    static constexpr int kLevelTests = 1;
    static constexpr int kLevelPass = 5;

    CEventLogMon() : ReaderStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner calls Stop first: no reading thread runs any more.
    ~CEventLogMon() override
    {
        RemoveAllEventLogTests();
        if (ReaderStopEvent)
            CloseHandle(ReaderStopEvent);
    }

    bool ProcessTest(const char* utf8Line) override
    {
        if (!utf8Line || !*utf8Line)
            return false;
        Trace(kLevelTests, FormatText("tol_evt: processing test: '%s'", utf8Line));
        EventLogLine line;
        if (!ParseEventLogLine(utf8Line, &line))
            return false;
        switch (line.kind) {
        case EventLogLineKind::Add:
            return AddEventLogTest(line.testId, line.locationId, line.host.c_str(),
                                   line.logName.c_str(), line.types.c_str());
        case EventLogLineKind::Modify:
            return ModifyEventLogTest(line.testId, line.locationId, line.host.c_str(),
                                      line.logName.c_str(), line.types.c_str());
        case EventLogLineKind::Delete:
            return RemoveEventLogTest(line.testId);
        case EventLogLineKind::Incorrect:
            break;
        }
        Trace(kLevelTests, "tol_evt: Incorrect test format!");
        return false;
    }

    void PostResult(CComBSTR* data, const char* desc) override
    {
        CMonCheckerBase<T>::PostResult(data, desc);
    }

    void PostEvent(int level, const char* text) override
    {
        CMonCheckerBase<T>::PostEvent(level, text);
    }

    void Stop() override
    {
        if (ReaderStopEvent)
            SetEvent(ReaderStopEvent);
        CMonCheckerBase<T>::Stop();
    }

    void Check(bool forced) override
    {
        EventLogTestCopies copies;
        size_t count = 0;
        {
            CScopedLock lock(m_testLock);
            count = m_tests.Size();
            if (count == 0)
                return;
            copies = m_tests.TakePass(forced);
        }
        // Posted once the list is free again: no lock is held across a call into the agent.
        Trace(kLevelPass,
              FormatText("tol_evt: begin checking. test count: %d", static_cast<int>(count)));
        CThreadGroup readers;
        for (auto& copy : copies)
            StartEventLogReader(copy.get(), &readers);
        readers.JoinAll();
    }

    bool AddEventLogTest(int testId, int locationId, const char* host, const char* logName,
                         const char* types)
    {
        if (testId <= 0 || !logName || !*logName || !IsNewTestId(testId))
            return false;
        Trace(kLevelTests,
              FormatText("tol_evt: adding test... tid:%d, lid:%d, host:%s, log_name:%s, "
                         "supp_types:%s",
                         testId, locationId, ShownText(host), logName, ShownText(types)));
        std::unique_ptr<EventLogTest> test = MakeTest(testId, locationId, host, logName, types);
        if (!test)
            return false;
        DWORD end = 0;
        DWORD error = 0;
        if (!MeasureEventLogEnd(test->host, test->logName, &end, &error)) {
            CComBSTR bytes;
            if (BuildEventLogError(testId, locationId, error, &bytes))
                PostResult(&bytes, kNewData);
            return false;
        }
        test->nextRecord = end;
        test->baselineTaken = true;
        {
            CScopedLock lock(m_testLock);
            if (!m_tests.Add(std::move(test)))
                return false;  // the same id was added meanwhile
        }
        this->SignalCheckNow();
        Trace(kLevelTests, "tol_evt: test added successfully...");
        return true;
    }

    bool ModifyEventLogTest(int testId, int locationId, const char* host, const char* logName,
                            const char* types)
    {
        if (testId <= 0 || !logName || !*logName)
            return false;
        Trace(kLevelTests,
              FormatText("tol_evt: modifing test... tid:%d, lid:%d, host:%s, log_name:%s, "
                         "supp_types:%s",
                         testId, locationId, ShownText(host), logName, ShownText(types)));
        if (!RemoveEventLogTest(testId))
            return false;
        return AddEventLogTest(testId, locationId, host, logName, types);
    }

    bool RemoveEventLogTest(int testId)
    {
        Trace(kLevelTests, FormatText("tol_evt: removing test... tid:%d", testId));
        CScopedLock lock(m_testLock);
        return m_tests.Remove(testId);
    }

    void RemoveAllEventLogTests()
    {
        Trace(kLevelTests, "tol_evt: removing all tests...");
        CScopedLock lock(m_testLock);
        m_tests.Clear();
    }

    bool IsNewTestId(int testId)
    {
        CScopedLock lock(m_testLock);
        return m_tests.IsNewTestId(testId);
    }

    void UpdateNextRecord(int testId, DWORD nextRecord) override
    {
        CScopedLock lock(m_testLock);
        m_tests.UpdateNextRecord(testId, nextRecord);
    }

    size_t CountTests()
    {
        CScopedLock lock(m_testLock);
        return m_tests.Size();
    }

    // Manual reset, never reset: reading threads test it before each record.
    HANDLE ReaderStopEvent;

private:
    static const char* ShownText(const char* text) { return text && *text ? text : "N/A"; }

    void Trace(int level, const std::string& text) { PostEvent(level, text.c_str()); }

    std::unique_ptr<EventLogTest> MakeTest(int testId, int locationId, const char* host,
                                           const char* logName, const char* types)
    {
        std::unique_ptr<EventLogTest> test(new (std::nothrow) EventLogTest);
        if (!test)
            return test;
        test->testId = testId;
        test->locationId = locationId;
        test->logName = WideText(logName);
        if (host && *host)
            test->host = L"\\\\" + WideText(host);
        test->owner = this;
        test->stopEvent = ReaderStopEvent;
        test->timeStamp = CurrentTime1970();
        ParseEventTypes(types, &test->eventTypes);
        return test;
    }

    static std::wstring WideText(const char* utf8)
    {
        wchar_t* wide = MultiByteToWideAlloc(utf8, CP_UTF8);
        std::wstring text = wide ? wide : L"";
        FreeHeapBlock(wide);
        return text;
    }

    CCriticalSection m_testLock;
    CEventLogTestList m_tests;
};
