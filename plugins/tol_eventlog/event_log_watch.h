// EventLogTest: one event-log test of the list, and the private copy a reading thread works on;
// the rules its list keeps; where reading threads post.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "test_list.h"

class CEventLogReaderOwner;
class IEventLogSource;

// A test line's texts (UTF-8) as the line gives them: the worker makes the test's own of them.
struct EventLogLineTexts {
    std::string host;  // empty: the local machine
    std::string logName;
    std::string types;
};

struct EventLogTest {
    int tid = 0;                 // 1 or more
    int lid = 0;                 // copied into every result
    EventLogLineTexts line;      // what the add or modify line said
    std::wstring logName;        // the event log to read
    std::wstring host;           // "\\\\name" as the event-log calls take it; empty: local
    bool baselineTaken = false;  // true once nextRecord is known
    DWORD nextRecord = 0;        // the first record number not yet reported
    CEventLogReaderOwner* owner = nullptr;  // where reading threads post
    HANDLE stopEvent = nullptr;             // the worker's reader stop event, not owned
    long long timeStamp = 0;                // seconds since 1970: when the test (or copy) was made
    std::vector<short> eventTypes;          // the event types to report; empty reports nothing
};

// An add takes a test id of 1 or more with a log name; a delete looks for any id. A modify
// replaces the test whole (the worker deletes it and adds the line's test with a new baseline),
// so the list's own modify is not used.
template <>
struct CTestListHooks<EventLogTest> {
    static bool Accepts(const EventLogTest& test)
    {
        return test.tid > 0 && !test.line.logName.empty();
    }
    static bool TakesId(int tid)
    {
        (void)tid;
        return true;
    }
    static bool Modify(EventLogTest* entry, const EventLogTest& from)
    {
        *entry = from;
        return true;
    }
};

// Where reading threads read the logs and hand their results, log lines and the new next
// record number.
class CEventLogReaderOwner {
public:
    virtual IEventLogSource* EventLog() = 0;
    virtual void PostResult(CComBSTR* data, const char* desc) = 0;
    virtual void PostEvent(int level, const char* text) = 0;
    virtual void UpdateNextRecord(int tid, DWORD nextRecord) = 0;

protected:
    ~CEventLogReaderOwner() = default;
};
