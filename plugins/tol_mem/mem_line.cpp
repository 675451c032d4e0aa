#include "mem_line.h"

#include <cstring>

#include "line_fields.h"
#include "text_numbers.h"

namespace {

constexpr unsigned kDeleteFieldCount = 3;
constexpr unsigned kLoadFieldCount = 7;

bool IsMemFieldCount(unsigned count)
{
    return count == 6 || count == 8 || count == 9;
}

MemLineKind KindOf(const char* code, unsigned count)
{
    const struct {
        const char* code;
        MemLineKind kind;
        bool (*fits)(unsigned);
    } rules[] = {
        {"MMA", MemLineKind::AddMem, IsMemFieldCount},
        {"MMM", MemLineKind::ModifyMem, IsMemFieldCount},
        {"MMD", MemLineKind::RemoveMem, [](unsigned n) { return n == kDeleteFieldCount; }},
        {"LAA", MemLineKind::AddLoad, [](unsigned n) { return n == kLoadFieldCount; }},
        {"LAM", MemLineKind::ModifyLoad, [](unsigned n) { return n == kLoadFieldCount; }},
        {"LAD", MemLineKind::RemoveLoad, [](unsigned n) { return n == kDeleteFieldCount; }},
    };
    for (const auto& rule : rules)
        if (strcmp(code, rule.code) == 0)
            return rule.fits(count) ? rule.kind : MemLineKind::Incorrect;
    return MemLineKind::Incorrect;
}

void ReadMemTest(const CLineFields& fields, MemTest* test)
{
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->mem_min = ReadDecimalInt(fields[3]);
    test->page_min = ReadDecimalInt(fields[4]);
    test->vsize_min = ReadDecimalInt(fields[5]);
    if (fields.count() >= 8) {
        test->buffered_min = ReadDecimalInt(fields[6]);
        test->cached_min = ReadDecimalInt(fields[7]);
    }
    if (fields.count() == 9)
        test->hostAddr = fields[8];
}

void ReadLoadTest(const CLineFields& fields, LoadAvgTest* test)
{
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->max1 = ReadDecimalInt(fields[3]);
    test->max5 = ReadDecimalInt(fields[4]);
    test->max15 = ReadDecimalInt(fields[5]);
    test->hostAddr = fields[6];
}

}  // namespace

bool ParseMemLine(const char* utf8Line, MemLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    CLineFields fields(utf8Line, '\t');
    if (fields.count() == 0)
        return false;
    *out = MemLine();
    out->kind = KindOf(fields[0], fields.count());
    switch (out->kind) {
    case MemLineKind::AddMem:
    case MemLineKind::ModifyMem:
        ReadMemTest(fields, &out->mem);
        break;
    case MemLineKind::AddLoad:
    case MemLineKind::ModifyLoad:
        ReadLoadTest(fields, &out->load);
        break;
    case MemLineKind::RemoveMem:
        out->mem.tid = ReadDecimalInt(fields[1]);
        break;
    case MemLineKind::RemoveLoad:
        out->load.tid = ReadDecimalInt(fields[1]);
        break;
    case MemLineKind::Incorrect:
        break;
    }
    return true;
}
