// Fuzz target of tol_http's test lines: each line of the input parsed as Add parses it and
// applied to a test list as the plug-in applies it. Any line must be refused or read without a
// fault; an add or modify takes its texts as the line gives them and never port 0 or below;
// and every test left in the list whose id a delete line takes (above 0 read as signed; an
// add takes any other id but 0 too) must go with the delete line of its id.
#include <string>

#include "fuzz_support.h"
#include "http_line.h"

namespace {

void Apply(const std::string& line, CTestList<HttpTest>& list)
{
    HttpLine parsed;
    bool taken = ParseHttpLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    const HttpTest& test = parsed.test;
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        Check(fields.size() == 16 && test.port > 0 && test.host == std::string(fields[3]) &&
              test.path == std::string(fields[4]) && test.matchText == std::string(fields[6]));
        if (parsed.action == LineAction::Add)
            list.Add(test);
        else if (test.tid != 0)
            list.Modify(test);
        break;
    case LineAction::Delete:
        Check(fields.size() == 3);
        if (test.tid != 0)
            list.Remove(test.tid);
        break;
    case LineAction::Ignored:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTestList<HttpTest> list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    size_t undeletable = 0;
    for (auto& copy : list.TakePass(false)) {
        if (static_cast<int>(copy->tid) <= 0) {
            ++undeletable;
            continue;
        }
        std::string id = std::to_string(copy->tid);
        HttpLine parsed;
        Check(ParseHttpLine(("HPD\t" + id + "\t0").c_str(), &parsed) &&
              parsed.action == LineAction::Delete && parsed.test.tid == copy->tid);
        Check(list.Remove(parsed.test.tid));
    }
    Check(list.Size() == undeletable);
    return 0;
}
