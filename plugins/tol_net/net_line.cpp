#include "net_line.h"

#include <string>

#include "text_numbers.h"

namespace {

bool ReadIds(const CLineFields& fields, NetLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    out->test.lid = ReadDecimalInt(fields[2]);
    return true;
}

bool ReadTest(const CLineFields& fields, NetLine* out)
{
    ReadIds(fields, out);
    out->test.adapter = fields[3];
    return true;
}

using Rule = LineRule<LineAction, NetLine>;

const Rule kRules[] = {
    {"NTA", FieldCounts(4), LineAction::Add, ReadTest},
    {"NTM", FieldCounts(4), LineAction::Modify, ReadTest},
    {"NTD", FieldCounts(3), LineAction::Delete, ReadIds},
};

}  // namespace

bool ParseNetLine(const char* utf8Line, NetLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
}

const char* NetCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
