#include "snmp_line.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 16;
constexpr unsigned kShortFieldCount = 3;

// Leading blanks, a sign and digits, as strtoll reads them; anything else gives 0.
long long ReadNumber(const char* field)
{
    return strtoll(field, nullptr, 10);
}

// A signed 32-bit value: numbers beyond the range give its nearest end.
int ReadInt(const char* field)
{
    long long value = ReadNumber(field);
    return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// An unsigned 32-bit value above 0; false for 0, a negative number or one beyond 32 bits.
bool ReadPositive(const char* field, unsigned int* out)
{
    long long value = ReadNumber(field);
    if (value <= 0 || value > static_cast<long long>(UINT_MAX))
        return false;
    *out = static_cast<unsigned int>(value);
    return true;
}

bool ReadTestFields(char** fields, SnmpTest* test)
{
    long long testId = ReadNumber(fields[1]);
    if (testId <= 0 || testId > INT_MAX)
        return false;
    test->testId = static_cast<int>(testId);
    test->locationId = ReadInt(fields[2]);
    test->host = fields[3];
    test->version = ReadInt(fields[5]);
    test->oids = fields[6];
    test->community = fields[7];
    test->limits = fields[15];
    return ReadPositive(fields[4], &test->port) && (test->version == 1 || test->version == 2) &&
           ReadPositive(fields[13], &test->timeout) && ReadPositive(fields[14], &test->retries);
}

}  // namespace

bool ParseSnmpLine(const char* utf8Line, SnmpLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = SnmpLine();
    const char* code = count > 0 ? fields[0] : "";
    if ((strcmp(code, "SPA") == 0 || strcmp(code, "SPM") == 0) && count == kTestFieldCount) {
        if (ReadTestFields(fields, &out->test))
            out->kind = code[2] == 'A' ? SnmpLineKind::Add : SnmpLineKind::Modify;
    } else if (count == kShortFieldCount) {
        unsigned int id = static_cast<unsigned int>(ReadInt(fields[1]));
        if (strcmp(code, "SPD") == 0) {
            out->kind = SnmpLineKind::Delete;
            out->test.testId = ReadInt(fields[1]);
        } else if (strcmp(code, "TRA") == 0) {
            out->kind = SnmpLineKind::TrapStart;
            out->trapId = id;
            out->trapValue = static_cast<unsigned int>(ReadInt(fields[2]));
        } else if (strcmp(code, "TRD") == 0) {
            out->kind = SnmpLineKind::TrapStop;
            out->trapId = id;
        }
    }
    FreeTextArray(&fields, &count);
    return true;
}
