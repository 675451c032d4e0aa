#include "net_line.h"

#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 4;
constexpr unsigned kDeleteFieldCount = 3;

NetLineKind KindOf(const char* code, unsigned count)
{
    if (strcmp(code, "NTA") == 0 && count == kTestFieldCount)
        return NetLineKind::Add;
    if (strcmp(code, "NTM") == 0 && count == kTestFieldCount)
        return NetLineKind::Modify;
    if (strcmp(code, "NTD") == 0 && count == kDeleteFieldCount)
        return NetLineKind::Delete;
    return NetLineKind::Ignored;
}

}  // namespace

bool ParseNetLine(const char* utf8Line, NetLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = NetLine();
    out->kind = KindOf(count > 0 ? fields[0] : "", count);
    if (out->kind != NetLineKind::Ignored) {
        out->testId = atoi(fields[1]);
        out->locationId = atoi(fields[2]);
    }
    if (out->kind == NetLineKind::Add || out->kind == NetLineKind::Modify)
        out->adapter = fields[3];
    FreeTextArray(&fields, &count);
    return true;
}
