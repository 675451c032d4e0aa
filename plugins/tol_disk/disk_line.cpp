#include "disk_line.h"

#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kSpaceFieldCount = 5;
constexpr unsigned kRateFieldCount = 4;
constexpr unsigned kDeleteFieldCount = 3;

struct CodeRule {
    const char* code;
    unsigned fieldCount;
    DiskLineKind kind;
    bool rateTest;
};

const CodeRule kRules[] = {
    {"DKA", kSpaceFieldCount, DiskLineKind::Add, false},
    {"DIA", kRateFieldCount, DiskLineKind::Add, true},
    {"DKM", kSpaceFieldCount, DiskLineKind::Modify, false},
    {"DIM", kRateFieldCount, DiskLineKind::Modify, true},
    {"DKD", kDeleteFieldCount, DiskLineKind::Delete, false},
    {"DID", kDeleteFieldCount, DiskLineKind::Delete, false},
};

// atoi's reading, without its undefined result outside the int range (long is 32 bits here).
int ReadNumber(const char* field)
{
    return static_cast<int>(strtol(field, nullptr, 10));
}

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

DiskLineKind ReadFields(const CodeRule& rule, char** fields, DiskTest* test)
{
    test->testId = ReadNumber(fields[1]);
    if (rule.kind == DiskLineKind::Delete)
        return rule.kind;
    test->locationId = ReadNumber(fields[2]);
    test->drive = fields[3][0];
    if (!IsDriveLetter(test->drive))
        return DiskLineKind::Incorrect;
    test->minimumFree = rule.rateTest ? kRateTestMinimum : ReadNumber(fields[4]);
    return rule.kind;
}

}  // namespace

bool ParseDiskLine(const char* utf8Line, DiskLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = DiskLine();
    for (const CodeRule& rule : kRules) {
        if (count == rule.fieldCount && strcmp(fields[0], rule.code) == 0) {
            out->kind = ReadFields(rule, fields, &out->test);
            break;
        }
    }
    FreeTextArray(&fields, &count);
    return true;
}
