// EventLogTest: one event-log test of the list, and the private copy a reading thread works on.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "com_bstr.h"

class CEventLogReaderOwner;

struct EventLogTest {
    int testId = 0;              // 1 or more
    int locationId = 0;          // copied into every result
    std::wstring logName;        // the event log to read
    std::wstring host;           // "\\\\name" as the event-log calls take it; empty: local
    bool baselineTaken = false;  // true once nextRecord is known
    DWORD nextRecord = 0;        // the first record number not yet reported
    CEventLogReaderOwner* owner = nullptr;  // where reading threads post
    HANDLE stopEvent = nullptr;             // the worker's reader stop event, not owned
    long long timeStamp = 0;                // seconds since 1970: when the test (or copy) was made
    std::vector<short> eventTypes;          // the event types to report; empty reports nothing
    bool isNew = true;                      // not yet read by a check pass
};

// Where reading threads hand their results, trace lines and the new next record number.
class CEventLogReaderOwner {
public:
    virtual void PostResult(CComBSTR* data, const char* desc) = 0;
    virtual void PostEvent(int level, const char* text) = 0;
    virtual void UpdateNextRecord(int testId, DWORD nextRecord) = 0;

protected:
    ~CEventLogReaderOwner() = default;
};

// Seconds since 1970 now.
long long CurrentTime1970();
