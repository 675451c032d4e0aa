#include "cpu_line.h"

#include <cstring>
#include <string>

#include "text_numbers.h"

namespace {

constexpr unsigned kShortFieldCount = 7;
constexpr unsigned kHostFieldCount = 9;
constexpr unsigned kSystemFieldCount = 10;
constexpr unsigned kDeleteFieldCount = 2;
constexpr unsigned kMostCountedFields = 63;  // the most a rule's field counts can name

bool ReadTestId(const CLineFields& fields, CpuLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadTest(const CLineFields& fields, CpuLine* out)
{
    CpuTest* test = &out->test;
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    if (fields.count() == kShortFieldCount) {
        test->user_max = ReadDecimalNumber(fields[5]);
        test->kernel_max = ReadDecimalNumber(fields[6]);
        return true;
    }
    test->user_max = ReadDecimalNumber(fields[3]);
    test->kernel_max = ReadDecimalNumber(fields[4]);
    test->nice_max = ReadDecimalNumber(fields[5]);
    test->idle_min = ReadDecimalNumber(fields[6]);
    test->iowait_max = ReadDecimalNumber(fields[7]);
    if (fields.count() >= kHostFieldCount)
        test->hostAddr = fields[8];
    if (fields.count() == kSystemFieldCount)
        test->system = fields[9];
    return true;
}

using Rule = LineRule<LineAction, CpuLine>;

const Rule kRules[] = {
    {"CUA", FieldCountRange(kShortFieldCount, kSystemFieldCount), LineAction::Add, ReadTest},
    {"CUM", FieldCountRange(kShortFieldCount, kSystemFieldCount), LineAction::Modify, ReadTest},
    {"CUD", FieldCountRange(kDeleteFieldCount, kMostCountedFields), LineAction::Delete, ReadTestId},
};

// A delete takes any number of fields from 2 on, beyond what the table can count too.
bool IsLongDelete(const CLineFields& fields)
{
    return fields.count() > kMostCountedFields && strcmp(fields[0], "CUD") == 0;
}

}  // namespace

bool ParseCpuLine(const char* utf8Line, CpuLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    CLineFields fields(utf8Line, '\t');
    *out = CpuLine();
    if (IsLongDelete(fields)) {
        out->action = LineAction::Delete;
        return ReadTestId(fields, out);
    }
    out->action =
        ReadLineByRules(fields, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
    return true;
}

const char* CpuCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
