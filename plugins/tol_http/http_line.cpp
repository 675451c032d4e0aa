#include "http_line.h"

#include <cstdlib>
#include <cstring>

#include "heap_helpers.h"

namespace {

constexpr unsigned kTestFieldCount = 16;
constexpr unsigned kDeleteFieldCount = 3;
constexpr int kDefaultPort = 80;

void ReadTestFields(char** fields, HttpTest* test)
{
    test->testId = static_cast<unsigned int>(atoi(fields[1]));
    test->locationId = static_cast<unsigned int>(atoi(fields[2]));
    test->host = fields[3];
    test->path = fields[4];
    test->port = atoi(fields[5]);
    if (test->port <= 0)
        test->port = kDefaultPort;
    test->matchText = fields[6];
    test->body = fields[7];
    test->userName = fields[8];
    test->password = fields[9];
    test->timeout = atoi(fields[10]);
    test->secure = atoi(fields[11]) != 0;
    test->readContent = atoi(fields[13]) != 0;
    test->matchSense = atoi(fields[14]) != 0;
    test->method = atoi(fields[15]);
}

}  // namespace

const char* HttpVerb(int method)
{
    switch (method) {
    case kMethodPost:
        return "POST";
    case kMethodHead:
        return "HEAD";
    default:
        return "GET";
    }
}

bool ParseHttpLine(const char* utf8Line, HttpLine* out)
{
    char** fields = nullptr;
    unsigned count = 0;
    if (!out || !utf8Line || !*utf8Line || !SplitText(utf8Line, &fields, &count, '\t'))
        return false;
    *out = HttpLine();
    const char* code = count > 0 ? fields[0] : "";
    if (strcmp(code, "HPA") == 0 && count == kTestFieldCount) {
        out->kind = HttpLineKind::Add;
        ReadTestFields(fields, &out->test);
    } else if (strcmp(code, "HPM") == 0 && count == kTestFieldCount) {
        out->kind = HttpLineKind::Modify;
        ReadTestFields(fields, &out->test);
    } else if (strcmp(code, "HPD") == 0 && count == kDeleteFieldCount) {
        out->kind = HttpLineKind::Delete;
        out->test.testId = static_cast<unsigned int>(atoi(fields[1]));
    }
    FreeTextArray(&fields, &count);
    return true;
}
