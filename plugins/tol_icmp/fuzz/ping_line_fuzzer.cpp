// Fuzz target of tol_icmp's test lines: each line of the input parsed as Add would parse it,
// and applied to a test list as the checker applies it. Any line must be refused or taken without a
// fault, and the list must stay sound: no test added without a host, no test id twice, every
// time-out a minute at most.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "ping_line.h"
#include "ping_verdict.h"
#include "text_fields.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

void CheckLine(const std::string& line, const PingLine& parsed)
{
    auto fields = SplitFields(line, '\t');
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        Check(fields.size() == 8 && (fields[0] == "PGA" || fields[0] == "PGM"));
        Check(parsed.test.host == std::string(fields[3]));
        Check(PingTimeout(parsed.test.timeout) <= kMaxPingTimeoutMs);
        break;
    case LineAction::Delete:
        Check(fields.size() == 3 && fields[0] == "PGD");
        break;
    case LineAction::Ignored:
        break;
    case LineAction::Incorrect:
        Check(false);  // the ping lines have no incorrect kind
        break;
    }
}

void CheckList(CTestList<PingTest>& list)
{
    std::set<int> ids;
    for (auto& copy : list.TakePass(false))
        Check(ids.insert(copy->tid).second);
    Check(ids.size() == list.Size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    CTestList<PingTest> list;
    for (std::string_view view : SplitFields(input, '\n')) {
        std::string line(view.substr(0, view.find('\0')));
        PingLine parsed;
        bool taken = ParsePingLine(line.c_str(), &parsed);
        Check(taken == !line.empty());
        if (!taken)
            continue;
        CheckLine(line, parsed);
        if (parsed.action == LineAction::Add) {
            auto outcome = list.Add(parsed.test);
            Check((outcome == CTestList<PingTest>::AddOutcome::Refused) ==
                  parsed.test.host.empty());
        } else if (parsed.action == LineAction::Modify) {
            list.Modify(parsed.test);
        } else if (parsed.action == LineAction::Delete && parsed.test.tid > 0) {
            list.Remove(parsed.test.tid);
        }
    }
    CheckList(list);
    return 0;
}
