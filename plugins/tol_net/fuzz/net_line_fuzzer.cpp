// Fuzz target of tol_net's test lines: each line of the input parsed as Add parses it and
// applied to a test list as the plug-in applies it. Any line must be refused or read without a
// fault; an add or modify takes the adapter's name as the line gives it; and every test left in
// the list must go with the delete line of its id.
#include <string>

#include "adapter_test_list.h"
#include "fuzz_support.h"
#include "net_line.h"

namespace {

void Apply(const std::string& line, AdapterTestList& list)
{
    NetLine parsed;
    bool taken = ParseNetLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        Check(fields.size() == 4 && parsed.test.adapter == std::string(fields[3]));
        if (!CTestListHooks<AdapterTest>::TakesId(parsed.test.tid))
            break;
        if (parsed.action == LineAction::Add)
            list.Add(parsed.test);
        else
            list.Modify(parsed.test);
        break;
    case LineAction::Delete:
        Check(fields.size() == 3);
        if (CTestListHooks<AdapterTest>::TakesId(parsed.test.tid))
            list.Remove(parsed.test.tid);
        break;
    case LineAction::Incorrect:
        break;
    case LineAction::Ignored:
        Check(false);  // every line the table does not take is an incorrect one
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AdapterTestList list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    while (list.Size() > 0) {
        int id = (*list.begin())->tid;
        NetLine parsed;
        Check(ParseNetLine(("NTD\t" + std::to_string(id) + "\t0").c_str(), &parsed) &&
              parsed.action == LineAction::Delete && parsed.test.tid == id);
        Check(list.Remove(parsed.test.tid));
    }
    return 0;
}
