#include "cpu_line.h"

#include <cstring>

#include "line_fields.h"
#include "text_numbers.h"

namespace {

constexpr unsigned kShortFieldCount = 7;
constexpr unsigned kLimitsFieldCount = 8;
constexpr unsigned kHostFieldCount = 9;
constexpr unsigned kSystemFieldCount = 10;
constexpr unsigned kDeleteFieldCount = 2;

CpuLineKind KindOf(const char* code, unsigned count)
{
    bool testFields = count >= kShortFieldCount && count <= kSystemFieldCount;
    if (strcmp(code, "CUA") == 0)
        return testFields ? CpuLineKind::Add : CpuLineKind::Incorrect;
    if (strcmp(code, "CUM") == 0)
        return testFields ? CpuLineKind::Modify : CpuLineKind::Incorrect;
    if (strcmp(code, "CUD") == 0 && count >= kDeleteFieldCount)
        return CpuLineKind::Remove;
    return CpuLineKind::Incorrect;
}

void ReadTest(const CLineFields& fields, CpuTest* test)
{
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    if (fields.count() == kShortFieldCount) {
        test->user_max = ReadDecimalNumber(fields[5]);
        test->kernel_max = ReadDecimalNumber(fields[6]);
        return;
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
}

}  // namespace

bool ParseCpuLine(const char* utf8Line, CpuLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    CLineFields fields(utf8Line, '\t');
    if (fields.count() == 0)
        return false;
    *out = CpuLine();
    out->kind = KindOf(fields[0], fields.count());
    if (out->kind == CpuLineKind::Add || out->kind == CpuLineKind::Modify)
        ReadTest(fields, &out->test);
    else if (out->kind == CpuLineKind::Remove)
        out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}
