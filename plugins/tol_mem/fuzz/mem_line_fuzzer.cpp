// Fuzz target of tol_mem's test lines: each line of the input parsed as Add parses it. Any line
// must be refused or read without a fault, its action and list must follow from its code and
// field count, and a host must be the line's ninth (or, for load averages, seventh) field as it
// stands.
#include <string>

#include "fuzz_support.h"
#include "mem_line.h"

namespace {

void CheckLine(const std::string& line)
{
    MemLine parsed;
    bool taken = ParseMemLine(line.c_str(), &parsed);
    auto fields = SplitFields(line, '\t');
    Check(taken == !line.empty());
    if (!taken)
        return;
    const size_t n = fields.size();
    const std::string code(fields[0]);
    const bool load = parsed.list == MemLineList::LoadAverage;
    switch (parsed.action) {
    case LineAction::Add:
    case LineAction::Modify:
        if (load) {
            Check((code == "LAA" || code == "LAM") && n == 7);
            Check(parsed.load.hostAddr == std::string(fields[6]));
            break;
        }
        Check((code == "MMA" || code == "MMM") && (n == 6 || n == 8 || n == 9));
        Check(parsed.mem.hostAddr == (n == 9 ? std::string(fields[8]) : std::string()));
        Check(n >= 8 ||
              (parsed.mem.buffered_min == kLimitNotSet && parsed.mem.cached_min == kLimitNotSet));
        break;
    case LineAction::Delete:
        Check(code == (load ? "LAD" : "MMD") && n == 3);
        break;
    case LineAction::Ignored:
        Check(false);  // no line of this plug-in is ignored
        break;
    case LineAction::Incorrect:
        Check(!load);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ForEachLine(data, size, CheckLine);
    return 0;
}
