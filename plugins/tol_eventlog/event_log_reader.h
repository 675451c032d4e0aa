// ReadEventLogThread: the reading thread a check pass starts for one test.
//
// It opens the test's log through its owner's IEventLogSource, reads the records written since
// the test's last pass one by one in record-number order, keeps those of the test's types and
// posts one RESULT_EVENT_LOG result holding them all (or one error result) to the copy's owner. The
// argument is the pass's EventLogTest copy, which the pass frees after the thread has ended.
#pragma once

#include <windows.h>

#include <string>

#include "event_log_source.h"

DWORD WINAPI ReadEventLogThread(void* copy);

// The end of the log (oldest record number + number of records): where a new test starts.
// False with the error of the call that failed, ERROR_FILE_NOT_FOUND for a log the host does
// not keep.
bool MeasureEventLogEnd(IEventLogSource* source, const std::wstring& host,
                        const std::wstring& logName, DWORD* end, DWORD* error);
