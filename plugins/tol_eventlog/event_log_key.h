// The registry key of an event log. The event-log service keeps one key for each of its logs
// under HKLM\SYSTEM\CurrentControlSet\Services\EventLog, and OpenEventLogW given a name
// without a key there opens the Application log instead: a misspelt log, or the log of a role
// the host does not have, would then report another log's records under the test's name. A
// test's log is therefore looked up here before it is first opened.
#pragma once

#include <windows.h>

#include <string>

// ERROR_FILE_NOT_FOUND when the host (empty: the local machine) has no key for the log, or
// the name cannot be one. 0 when the key is there, and also when the host's registry cannot
// be reached or read: the remote registry service is often off on workstations whose event
// log answers all the same, so the log's own open decides then.
DWORD FindEventLogKey(const std::wstring& host, const std::wstring& logName);
