// Fuzz target of tol_eventlog's test lines: each line of the input parsed as Add parses it, its
// event types read and its texts widened as the plug-in makes a test of them, and the test
// applied to a test list. Any line must be refused or read without a fault; and every test left
// in the list must go with the delete line of its id.
#include <memory>
#include <string>

#include "event_log_line.h"
#include "event_log_test_list.h"
#include "event_types.h"
#include "fuzz_support.h"
#include "heap_helpers.h"

namespace {

std::wstring Widen(const std::string& utf8)
{
    wchar_t* wide = MultiByteToWideAlloc(utf8.c_str(), CP_UTF8);
    Check(wide != nullptr);
    std::wstring text = wide;
    FreeHeapBlock(wide);
    return text;
}

void Apply(const std::string& line, CEventLogTestList& list)
{
    EventLogLine parsed;
    bool taken = ParseEventLogLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    switch (parsed.kind) {
    case EventLogLineKind::Add:
    case EventLogLineKind::Modify: {
        Check(fields.size() == 6 && parsed.host == std::string(fields[3]) &&
              parsed.logName == std::string(fields[4]) && parsed.types == std::string(fields[5]));
        if (parsed.testId <= 0 || parsed.logName.empty())
            break;
        auto test = std::make_unique<EventLogTest>();
        test->testId = parsed.testId;
        test->locationId = parsed.locationId;
        test->logName = Widen(parsed.logName);
        test->host = Widen(parsed.host);
        bool listed = ParseEventTypes(parsed.types.c_str(), &test->eventTypes);
        Check(listed == !parsed.types.empty() &&
              test->eventTypes.size() == SplitFields(parsed.types, ',').size());
        if (parsed.kind == EventLogLineKind::Modify)
            list.Remove(parsed.testId);
        if (list.IsNewTestId(parsed.testId))
            Check(list.Add(std::move(test)));
        break;
    }
    case EventLogLineKind::Delete:
        Check(fields.size() == 3);
        list.Remove(parsed.testId);
        break;
    case EventLogLineKind::Incorrect:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CEventLogTestList list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    for (auto& copy : list.TakePass(false)) {
        EventLogLine parsed;
        Check(
            ParseEventLogLine(("LED\t" + std::to_string(copy->testId) + "\t0").c_str(), &parsed) &&
            parsed.kind == EventLogLineKind::Delete && parsed.testId == copy->testId);
        Check(list.Remove(parsed.testId));
    }
    Check(list.Size() == 0);
    return 0;
}
