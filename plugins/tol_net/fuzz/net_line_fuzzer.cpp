// Fuzz target of tol_net's test lines: each line of the input parsed as Add parses it and
// applied to a test list as the plug-in applies it. Any line must be refused or read without a
// fault; an add or modify takes the adapter's name as the line gives it; and every test left in
// the list must go with the delete line of its id.
#include <string>

#include "adapter_test_list.h"
#include "fuzz_support.h"
#include "net_line.h"

namespace {

void Apply(const std::string& line, CAdapterTestList& list)
{
    NetLine parsed;
    bool taken = ParseNetLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    switch (parsed.kind) {
    case NetLineKind::Add:
    case NetLineKind::Modify:
        Check(fields.size() == 4 && parsed.adapter == std::string(fields[3]));
        if (parsed.testId < 1)
            break;
        if (parsed.kind == NetLineKind::Add)
            list.Add(parsed.testId, parsed.locationId, parsed.adapter);
        else
            list.Modify(parsed.testId, parsed.locationId, parsed.adapter);
        break;
    case NetLineKind::Delete:
        Check(fields.size() == 3);
        if (parsed.testId >= 1)
            list.Remove(parsed.testId);
        break;
    case NetLineKind::Ignored:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CAdapterTestList list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    while (!list.Tests().empty()) {
        int id = list.Tests().front().testId;
        NetLine parsed;
        Check(ParseNetLine(("NTD\t" + std::to_string(id) + "\t0").c_str(), &parsed) &&
              parsed.kind == NetLineKind::Delete && parsed.testId == id);
        Check(list.Remove(parsed.testId));
    }
    return 0;
}
