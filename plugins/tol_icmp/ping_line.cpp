#include "ping_line.h"

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "text_fields.h"

namespace {

constexpr size_t kTestFieldCount = 8;
constexpr size_t kDeleteFieldCount = 3;

// As atoi reads it: leading blanks, a sign, digits; anything else gives 0.
int Number(std::string_view field)
{
    return atoi(std::string(field).c_str());
}

void ReadTestFields(const std::vector<std::string_view>& fields, PingTest* test)
{
    test->testId = Number(fields[1]);
    test->locationId = Number(fields[2]);
    test->host = std::string(fields[3]);
    test->dataSize = Number(fields[4]);
    test->count = Number(fields[5]);
    test->timeout = Number(fields[6]);
    test->maximumLost = Number(fields[7]);
}

}  // namespace

bool ParsePingLine(const char* utf8Line, PingLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    try {
        std::vector<std::string_view> fields = SplitFields(utf8Line, '\t');
        *out = PingLine();
        std::string_view code = fields.empty() ? std::string_view() : fields[0];
        if (code == "PGA" && fields.size() == kTestFieldCount) {
            out->kind = PingLineKind::Add;
            ReadTestFields(fields, &out->test);
        } else if (code == "PGM" && fields.size() == kTestFieldCount) {
            out->kind = PingLineKind::Modify;
            ReadTestFields(fields, &out->test);
        } else if (code == "PGD" && fields.size() == kDeleteFieldCount) {
            out->kind = PingLineKind::Delete;
            out->test.testId = Number(fields[1]);
        }
    } catch (const std::bad_alloc&) {
        *out = PingLine();
        return false;
    }
    return true;
}
