#include "event_log_reader.h"

#include <cstdio>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "event_account.h"
#include "event_log_key.h"
#include "event_log_record.h"
#include "event_log_test.h"
#include "event_message.h"
#include "event_record_view.h"
#include "event_types.h"
#include "read_plan.h"

namespace {

constexpr const char* kNewData = "tol_evt: New data is available.";
constexpr int kLevelProgress = 4;

class CEventLogHandle {
public:
    CEventLogHandle(const std::wstring& host, const std::wstring& logName)
        : m_handle(OpenEventLogW(host.empty() ? nullptr : host.c_str(), logName.c_str()))
    {
    }
    ~CEventLogHandle()
    {
        if (m_handle)
            CloseEventLog(m_handle);
    }
    CEventLogHandle(const CEventLogHandle&) = delete;
    CEventLogHandle& operator=(const CEventLogHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

void PostError(const EventLogTest& test, DWORD error)
{
    CComBSTR bytes;
    if (BuildEventLogError(test.testId, test.locationId, error, &bytes))
        test.owner->PostResult(&bytes, kNewData);
}

bool StopRequested(const EventLogTest& test)
{
    return test.stopEvent && WaitForSingleObject(test.stopEvent, 0) == WAIT_OBJECT_0;
}

// Reads record `number` into the buffer, growing it as the call asks; 0 or the error. The
// buffer keeps its size for the next record, which saves a call (a round trip for a remote
// log) on each record no larger than the largest read so far.
DWORD ReadRecord(HANDLE log, DWORD number, std::vector<BYTE>* buffer, DWORD* bytesRead)
{
    for (;;) {
        DWORD needed = 0;
        if (ReadEventLogW(log, EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ, number, buffer->data(),
                          static_cast<DWORD>(buffer->size()), bytesRead, &needed))
            return 0;
        DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer->size())
            return error;
        buffer->assign(needed, 0);
    }
}

bool Reportable(const EventLogTest& test, const ReadPlan& plan, const EventRecordView& record)
{
    if (plan.timeFilter && static_cast<long long>(record.timeGenerated) < test.timeStamp)
        return false;
    return HasEventType(test.eventTypes, record.eventType);
}

EventEntry ReadEntry(const EventRecordView& record, CEventMessages* messages)
{
    EventAccount account = LookupEventAccount(record.sid, record.sidLength);
    return MakeEventEntry(record, account, messages->MessageText(record));
}

void ReadLog(const EventLogTest& test)
{
    CEventLogHandle log(test.host, test.logName);
    DWORD count = 0;
    DWORD oldest = 0;
    if (!log.Get() || !GetNumberOfEventLogRecords(log.Get(), &count) ||
        !GetOldestEventLogRecord(log.Get(), &oldest)) {
        PostError(test, GetLastError());
        return;
    }
    ReadPlan plan = PlanRead(test.baselineTaken, test.nextRecord, oldest, count);
    if (plan.NothingNew())
        return;
    test.owner->UpdateNextRecord(test.testId, plan.end);

    CEventLogResult result;
    CEventMessages messages(test.logName);
    std::vector<BYTE> buffer(1);
    for (DWORD number = plan.first; number != plan.end; ++number) {
        if (StopRequested(test))
            break;
        DWORD bytesRead = 0;
        DWORD error = ReadRecord(log.Get(), number, &buffer, &bytesRead);
        if (error != 0) {
            PostError(test, error);
            return;
        }
        EventRecordView record;
        if (!DecodeEventRecord(buffer.data(), bytesRead, &record) ||
            !Reportable(test, plan, record))
            continue;
        result.Add(test.testId, test.locationId, ReadEntry(record, &messages));
    }
    CComBSTR bytes;
    if (result.TakeBytes(&bytes))
        test.owner->PostResult(&bytes, kNewData);
}

}  // namespace

DWORD WINAPI ReadEventLogThread(void* copy)
{
    const EventLogTest& test = *static_cast<const EventLogTest*>(copy);
    char line[96];
    snprintf(line, sizeof line, "tol_evt: checking tid: %d, lid: %d", test.testId, test.locationId);
    test.owner->PostEvent(kLevelProgress, line);
    ReadLog(test);
    return 0;
}

bool MeasureEventLogEnd(const std::wstring& host, const std::wstring& logName, DWORD* end,
                        DWORD* error)
{
    // Opening a log that the host does not keep would open its Application log.
    DWORD missing = FindEventLogKey(host, logName);
    if (missing != 0) {
        *error = missing;
        return false;
    }
    CEventLogHandle log(host, logName);
    DWORD count = 0;
    DWORD oldest = 0;
    if (!log.Get() || !GetNumberOfEventLogRecords(log.Get(), &count) ||
        !GetOldestEventLogRecord(log.Get(), &oldest)) {
        *error = GetLastError();
        return false;
    }
    *end = oldest + count;
    return true;
}
