#include "ping_line.h"

#include <string>

#include "text_numbers.h"

namespace {

bool ReadTestId(const CLineFields& fields, PingLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadTest(const CLineFields& fields, PingLine* out)
{
    PingTest& test = out->test;
    test.tid = ReadDecimalInt(fields[1]);
    test.lid = ReadDecimalInt(fields[2]);
    test.host = fields[3];
    test.dataSize = ReadDecimalInt(fields[4]);
    test.count = ReadDecimalInt(fields[5]);
    test.timeout = ReadDecimalInt(fields[6]);
    test.maximumLost = ReadDecimalInt(fields[7]);
    return true;
}

using Rule = LineRule<LineAction, PingLine>;

const Rule kRules[] = {
    {"PGA", FieldCounts(8), LineAction::Add, ReadTest},
    {"PGM", FieldCounts(8), LineAction::Modify, ReadTest},
    {"PGD", FieldCounts(3), LineAction::Delete, ReadTestId},
};

}  // namespace

bool ParsePingLine(const char* utf8Line, PingLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Ignored, LineAction::Ignored, out);
}

const char* PingCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
