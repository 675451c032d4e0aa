#include "event_log_source.h"

#include "event_log_key.h"

namespace {

class CSystemEventLogSource : public IEventLogSource {
public:
    DWORD FindLog(const std::wstring& host, const std::wstring& logName) override
    {
        return FindEventLogKey(host, logName);
    }
    HANDLE Open(const std::wstring& host, const std::wstring& logName) override
    {
        return OpenEventLogW(host.empty() ? nullptr : host.c_str(), logName.c_str());
    }
    void Close(HANDLE log) override { CloseEventLog(log); }
    bool CountRecords(HANDLE log, DWORD* count) override
    {
        return GetNumberOfEventLogRecords(log, count) != FALSE;
    }
    bool OldestRecord(HANDLE log, DWORD* oldest) override
    {
        return GetOldestEventLogRecord(log, oldest) != FALSE;
    }
    bool Read(HANDLE log, DWORD flags, DWORD number, void* buffer, DWORD bytes, DWORD* bytesRead,
              DWORD* bytesNeeded) override
    {
        return ReadEventLogW(log, flags, number, buffer, bytes, bytesRead, bytesNeeded) != FALSE;
    }
};

}  // namespace

IEventLogSource& SystemEventLogSource()
{
    static CSystemEventLogSource source;
    return source;
}
