// IEventLogSource: the event-log calls the plug-in reads its logs with, and nothing else. The
// plug-in reads through the system's (SystemEventLogSource: the registry's log keys and the
// Windows event-log API, event_log_source.cpp); tests give its worker a log of their own.
// Failures leave their error as the thread's last error, as the Windows calls do.
#pragma once

#include <windows.h>

#include <string>

class IEventLogSource {
public:
    virtual ~IEventLogSource() = default;

    // FindEventLogKey's answer (event_log_key.h): ERROR_FILE_NOT_FOUND for a log the host
    // keeps no key for, otherwise 0.
    virtual DWORD FindLog(const std::wstring& host, const std::wstring& logName) = 0;
    // OpenEventLogW (host empty: this machine); null when the log cannot be opened.
    virtual HANDLE Open(const std::wstring& host, const std::wstring& logName) = 0;
    virtual void Close(HANDLE log) = 0;
    virtual bool CountRecords(HANDLE log, DWORD* count) = 0;
    virtual bool OldestRecord(HANDLE log, DWORD* oldest) = 0;
    // ReadEventLogW.
    virtual bool Read(HANDLE log, DWORD flags, DWORD number, void* buffer, DWORD bytes,
                      DWORD* bytesRead, DWORD* bytesNeeded) = 0;
};

IEventLogSource& SystemEventLogSource();
