// Fuzz target of tol_eventlog's test lines: each line of the input parsed as Add parses it, its
// event types read and its texts widened as the plug-in makes a test of them, and the test
// applied to a test list. Any line must be refused or read without a fault; and every test left
// in the list must go with the delete line of its id.
#include <string>

#include "event_log_line.h"
#include "event_types.h"
#include "fuzz_support.h"
#include "heap_text.h"

namespace {

void Apply(const std::string& line, CTestList<EventLogTest>& list)
{
    EventLogLine parsed;
    bool taken = ParseEventLogLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    EventLogTest test = parsed.test;
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify: {
        Check(fields.size() == 6 && test.line.host == std::string(fields[3]) &&
              test.line.logName == std::string(fields[4]) &&
              test.line.types == std::string(fields[5]));
        if (!CTestListHooks<EventLogTest>::Accepts(test)) {
            Check(test.tid <= 0 || test.line.logName.empty());
            break;
        }
        test.logName = Widen(test.line.logName);
        test.host = Widen(test.line.host);
        bool listed = ParseEventTypes(test.line.types.c_str(), &test.eventTypes);
        Check(listed == !test.line.types.empty() &&
              test.eventTypes.size() == SplitFields(test.line.types, ',').size());
        if (parsed.action == LineAction::Modify)
            list.Remove(test.tid);
        if (!list.Find(test.tid))
            Check(list.Add(test) == CTestList<EventLogTest>::AddOutcome::Added);
        break;
    }
    case LineAction::Delete:
        Check(fields.size() == 3);
        list.Remove(test.tid);
        break;
    case LineAction::Incorrect:
    case LineAction::Ignored:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTestList<EventLogTest> list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    for (auto& copy : list.TakePass(false)) {
        EventLogLine parsed;
        Check(ParseEventLogLine(("LED\t" + std::to_string(copy->tid) + "\t0").c_str(), &parsed) &&
              parsed.action == LineAction::Delete && parsed.test.tid == copy->tid);
        Check(list.Remove(parsed.test.tid));
    }
    Check(list.Size() == 0);
    return 0;
}
