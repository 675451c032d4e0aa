#include "event_log_line.h"

#include <string>

#include "text_numbers.h"

namespace {

bool ReadTestId(const CLineFields& fields, EventLogLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadTestFields(const CLineFields& fields, EventLogLine* out)
{
    EventLogTest* test = &out->test;
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->line.host = fields[3];
    test->line.logName = fields[4];
    test->line.types = fields[5];
    return true;
}

using Rule = LineRule<LineAction, EventLogLine>;

const Rule kRules[] = {
    {"LEA", FieldCounts(6), LineAction::Add, ReadTestFields},
    {"LEM", FieldCounts(6), LineAction::Modify, ReadTestFields},
    {"LED", FieldCounts(3), LineAction::Delete, ReadTestId},
};

}  // namespace

bool ParseEventLogLine(const char* utf8Line, EventLogLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
}

const char* EventLogCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
