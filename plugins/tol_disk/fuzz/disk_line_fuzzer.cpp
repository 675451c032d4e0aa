// Fuzz target of tol_disk's test lines: each line of the input parsed as Add parses it and
// applied to a test list as the plug-in applies it. Any line must be refused or read without a
// fault; an add or modify needs its code's field count and a drive letter; and every test
// left in the list must go with the delete line of its id.
#include <string>

#include "disk_line.h"
#include "fuzz_support.h"

namespace {

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void Apply(const std::string& line, CTestList<DiskTest>& list)
{
    DiskLine parsed;
    bool taken = ParseDiskLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    const DiskTest& test = parsed.test;
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        Check(((fields.size() == 4 && test.IsRateTest()) || fields.size() == 5) &&
              IsLetter(test.drive) && test.drive == fields[3][0]);
        if (test.tid >= 1) {
            if (parsed.action == LineAction::Add)
                list.Add(test);
            else
                list.Modify(test);
        }
        break;
    case LineAction::Delete:
        Check(fields.size() == 3);
        if (test.tid >= 1)
            list.Remove(test.tid);
        break;
    case LineAction::Incorrect:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTestList<DiskTest> list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    while (list.Size() > 0) {
        int id = (*list.begin())->tid;
        DiskLine parsed;
        Check(ParseDiskLine(("DKD\t" + std::to_string(id) + "\t0").c_str(), &parsed) &&
              parsed.action == LineAction::Delete && parsed.test.tid == id);
        size_t before = list.Size();
        list.Remove(parsed.test.tid);
        Check(list.Size() == before - 1);
    }
    return 0;
}
