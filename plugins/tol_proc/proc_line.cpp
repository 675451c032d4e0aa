#include "proc_line.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 7;
constexpr unsigned kDeleteFieldCount = 3;

int ReadNumber(const char* field)
{
    long long value = strtoll(field, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

std::wstring Widen(const char* utf8)
{
    wchar_t* wide = MultiByteToWideAlloc(utf8, CP_UTF8);
    std::wstring out = wide ? wide : L"";
    FreeHeapBlock(wide);
    return out;
}

void ReadTestFields(char** fields, ProcTest* test)
{
    test->tid = ReadNumber(fields[1]);
    test->lid = ReadNumber(fields[2]);
    test->limits.maxCpu = ReadNumber(fields[3]);
    test->limits.maxWss = ReadNumber(fields[4]);
    test->limits.maxPfs = ReadNumber(fields[5]);
    test->pname = Widen(fields[6]);
}

}  // namespace

ProcLine ParseProcLine(const char* utf8Line)
{
    ProcLine line;
    char** fields = nullptr;
    unsigned count = 0;
    if (!utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return line;
    line.kind = ProcLineKind::Incorrect;
    const char* code = count > 0 ? fields[0] : "";
    if (strcmp(code, "PRA") == 0 || strcmp(code, "PRM") == 0) {
        if (count == kTestFieldCount) {
            line.kind = code[2] == 'A' ? ProcLineKind::Add : ProcLineKind::Modify;
            ReadTestFields(fields, &line.test);
        }
    } else if (strcmp(code, "PRD") == 0 && count == kDeleteFieldCount) {
        line.kind = ProcLineKind::Delete;
        line.test.tid = ReadNumber(fields[1]);
    }
    FreeTextArray(&fields, &count);
    return line;
}
