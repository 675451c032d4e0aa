#include "event_log_reader.h"

#include <cstdio>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "event_account.h"
#include "event_log_record.h"
#include "event_log_source.h"
#include "event_log_watch.h"
#include "event_message.h"
#include "event_record_view.h"
#include "event_types.h"
#include "read_plan.h"

namespace {

constexpr const char* kNewData = "tol_evt: New data is available.";
constexpr int kLevelProgress = 4;

class CEventLogHandle {
public:
    CEventLogHandle(IEventLogSource* source, const std::wstring& host, const std::wstring& logName)
        : m_source(source), m_handle(source->Open(host, logName))
    {
    }
    ~CEventLogHandle()
    {
        if (m_handle)
            m_source->Close(m_handle);
    }
    CEventLogHandle(const CEventLogHandle&) = delete;
    CEventLogHandle& operator=(const CEventLogHandle&) = delete;
    HANDLE Get() const { return m_handle; }

    // The log's oldest record number and record count; false with the thread's last error.
    bool Measure(DWORD* oldest, DWORD* count) const
    {
        return m_handle && m_source->CountRecords(m_handle, count) &&
               m_source->OldestRecord(m_handle, oldest);
    }

    // Reads record `number` into the buffer, growing it as the call asks; 0 or the error. The
    // buffer keeps its size for the next record, which saves a call (a round trip for a remote
    // log) on each record no larger than the largest read so far.
    DWORD ReadRecord(DWORD number, std::vector<BYTE>* buffer, DWORD* bytesRead) const
    {
        for (;;) {
            DWORD needed = 0;
            if (m_source->Read(m_handle, EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ, number,
                               buffer->data(), static_cast<DWORD>(buffer->size()), bytesRead,
                               &needed))
                return 0;
            DWORD error = GetLastError();
            if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer->size())
                return error;
            buffer->assign(needed, 0);
        }
    }

private:
    IEventLogSource* m_source;
    HANDLE m_handle;
};

void PostError(const EventLogTest& test, DWORD error)
{
    CComBSTR bytes;
    if (BuildEventLogError(test.tid, test.lid, error, &bytes))
        test.owner->PostResult(&bytes, kNewData);
}

bool StopRequested(const EventLogTest& test)
{
    return test.stopEvent && WaitForSingleObject(test.stopEvent, 0) == WAIT_OBJECT_0;
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
    CEventLogHandle log(test.owner->EventLog(), test.host, test.logName);
    DWORD count = 0;
    DWORD oldest = 0;
    if (!log.Measure(&oldest, &count)) {
        PostError(test, GetLastError());
        return;
    }
    ReadPlan plan = PlanRead(test.baselineTaken, test.nextRecord, oldest, count);
    if (plan.NothingNew())
        return;
    test.owner->UpdateNextRecord(test.tid, plan.end);

    CEventLogResult result;
    CEventMessages messages(test.logName);
    std::vector<BYTE> buffer(1);
    for (DWORD number = plan.first; number != plan.end; ++number) {
        if (StopRequested(test))
            break;
        DWORD bytesRead = 0;
        DWORD error = log.ReadRecord(number, &buffer, &bytesRead);
        if (error != 0) {
            PostError(test, error);
            return;
        }
        EventRecordView record;
        if (!DecodeEventRecord(buffer.data(), bytesRead, &record) ||
            !Reportable(test, plan, record))
            continue;
        result.Add(test.tid, test.lid, ReadEntry(record, &messages));
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
    snprintf(line, sizeof line, "tol_evt: checking tid: %d, lid: %d", test.tid, test.lid);
    test.owner->PostEvent(kLevelProgress, line);
    ReadLog(test);
    return 0;
}

bool MeasureEventLogEnd(IEventLogSource* source, const std::wstring& host,
                        const std::wstring& logName, DWORD* end, DWORD* error)
{
    // Opening a log that the host does not keep would open its Application log.
    DWORD missing = source->FindLog(host, logName);
    if (missing != 0) {
        *error = missing;
        return false;
    }
    CEventLogHandle log(source, host, logName);
    DWORD count = 0;
    DWORD oldest = 0;
    if (!log.Measure(&oldest, &count)) {
        *error = GetLastError();
        return false;
    }
    *end = oldest + count;
    return true;
}
