#include "event_log_line.h"

#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 6;
constexpr unsigned kDeleteFieldCount = 3;

void ReadTestFields(char** fields, EventLogLine* line)
{
    line->testId = atoi(fields[1]);
    line->locationId = atoi(fields[2]);
    line->host = fields[3];
    line->logName = fields[4];
    line->types = fields[5];
}

}  // namespace

bool ParseEventLogLine(const char* utf8Line, EventLogLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = EventLogLine();
    const char* code = fields[0];
    if (count == kTestFieldCount && strcmp(code, "LEA") == 0) {
        out->kind = EventLogLineKind::Add;
        ReadTestFields(fields, out);
    } else if (count == kTestFieldCount && strcmp(code, "LEM") == 0) {
        out->kind = EventLogLineKind::Modify;
        ReadTestFields(fields, out);
    } else if (count == kDeleteFieldCount && strcmp(code, "LED") == 0) {
        out->kind = EventLogLineKind::Delete;
        out->testId = atoi(fields[1]);
    }
    FreeTextArray(&fields, &count);
    return true;
}
