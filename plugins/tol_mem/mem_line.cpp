#include "mem_line.h"

#include <string>

#include "text_numbers.h"

namespace {

constexpr unsigned kBufferedFieldCount = 8;
constexpr unsigned kHostFieldCount = 9;

bool ReadMemTest(const CLineFields& fields, MemLine* out)
{
    MemTest* test = &out->mem;
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->mem_min = ReadDecimalInt(fields[3]);
    test->page_min = ReadDecimalInt(fields[4]);
    test->vsize_min = ReadDecimalInt(fields[5]);
    if (fields.count() >= kBufferedFieldCount) {
        test->buffered_min = ReadDecimalInt(fields[6]);
        test->cached_min = ReadDecimalInt(fields[7]);
    }
    if (fields.count() == kHostFieldCount)
        test->hostAddr = fields[8];
    return true;
}

bool ReadMemId(const CLineFields& fields, MemLine* out)
{
    out->mem.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadLoadTest(const CLineFields& fields, MemLine* out)
{
    LoadAvgTest* test = &out->load;
    out->list = MemLineList::LoadAverage;
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->max1 = ReadDecimalInt(fields[3]);
    test->max5 = ReadDecimalInt(fields[4]);
    test->max15 = ReadDecimalInt(fields[5]);
    test->hostAddr = fields[6];
    return true;
}

bool ReadLoadId(const CLineFields& fields, MemLine* out)
{
    out->list = MemLineList::LoadAverage;
    out->load.tid = ReadDecimalInt(fields[1]);
    return true;
}

using Rule = LineRule<LineAction, MemLine>;

const Rule kRules[] = {
    {"MMA", FieldCounts(6, 8, 9), LineAction::Add, ReadMemTest},
    {"MMM", FieldCounts(6, 8, 9), LineAction::Modify, ReadMemTest},
    {"MMD", FieldCounts(3), LineAction::Delete, ReadMemId},
    {"LAA", FieldCounts(7), LineAction::Add, ReadLoadTest},
    {"LAM", FieldCounts(7), LineAction::Modify, ReadLoadTest},
    {"LAD", FieldCounts(3), LineAction::Delete, ReadLoadId},
};

}  // namespace

bool ParseMemLine(const char* utf8Line, MemLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
}

const char* MemCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
