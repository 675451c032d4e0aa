#include "reader_start.h"

#include <string>

#include "event_log_reader.h"
#include "event_log_record.h"
#include "heap_text.h"

namespace {

constexpr const char* kNewData = "tol_evt: New data is available.";
constexpr int kLevelErrors = 1;

void ReportUnstarted(const EventLogTest& test, DWORD error)
{
    if (error == 0)
        error = ERROR_NOT_ENOUGH_MEMORY;
    CHeapText<char> errorText(FormatErrorTextA(error, nullptr));
    std::string line = "tol_evt: The reading of test " + std::to_string(test.tid) +
                       " could not be started. " + (errorText ? errorText.get() : "Unknown Error.");
    test.owner->PostEvent(kLevelErrors, line.c_str());
    CComBSTR bytes;
    if (BuildEventLogError(test.tid, test.lid, error, &bytes))
        test.owner->PostResult(&bytes, kNewData);
}

}  // namespace

bool StartEventLogReader(EventLogTest* copy, CThreadGroup* group)
{
    if (!copy || !copy->owner || !group)
        return false;
    if (group->Start(ReadEventLogThread, copy))
        return true;
    ReportUnstarted(*copy, GetLastError());
    return false;
}
