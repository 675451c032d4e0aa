#include "proc_line.h"

#include <string>

#include "heap_text.h"
#include "text_numbers.h"

namespace {

bool ReadTestId(const CLineFields& fields, ProcLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadProcessTest(const CLineFields& fields, ProcLine* out)
{
    ProcTest& test = out->test;
    test.tid = ReadDecimalInt(fields[1]);
    test.lid = ReadDecimalInt(fields[2]);
    test.limits.maxCpu = ReadDecimalInt(fields[3]);
    test.limits.maxWss = ReadDecimalInt(fields[4]);
    test.limits.maxPfs = ReadDecimalInt(fields[5]);
    test.pname = Widen(fields[6]);
    return true;
}

using Rule = LineRule<LineAction, ProcLine>;

const Rule kRules[] = {
    {"PRA", FieldCounts(7), LineAction::Add, ReadProcessTest},
    {"PRM", FieldCounts(7), LineAction::Modify, ReadProcessTest},
    {"PRD", FieldCounts(3), LineAction::Delete, ReadTestId},
};

}  // namespace

bool ParseProcLine(const char* utf8Line, ProcLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
}

const char* ProcCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
