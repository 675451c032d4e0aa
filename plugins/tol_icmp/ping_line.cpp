#include "ping_line.h"

#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 8;
constexpr unsigned kDeleteFieldCount = 3;

void ReadTestFields(char** fields, PingTest* test)
{
    test->testId = atoi(fields[1]);
    test->locationId = atoi(fields[2]);
    test->host = fields[3];
    test->dataSize = atoi(fields[4]);
    test->count = atoi(fields[5]);
    test->timeout = atoi(fields[6]);
    test->maximumLost = atoi(fields[7]);
}

}  // namespace

bool ParsePingLine(const char* utf8Line, PingLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = PingLine();
    const char* code = count > 0 ? fields[0] : "";
    if (strcmp(code, "PGA") == 0 && count == kTestFieldCount) {
        out->kind = PingLineKind::Add;
        ReadTestFields(fields, &out->test);
    } else if (strcmp(code, "PGM") == 0 && count == kTestFieldCount) {
        out->kind = PingLineKind::Modify;
        ReadTestFields(fields, &out->test);
    } else if (strcmp(code, "PGD") == 0 && count == kDeleteFieldCount) {
        out->kind = PingLineKind::Delete;
        out->test.testId = atoi(fields[1]);
    }
    FreeTextArray(&fields, &count);
    return true;
}
