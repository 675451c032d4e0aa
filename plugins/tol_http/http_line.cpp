#include "http_line.h"

#include <string>

#include "text_numbers.h"

namespace {

constexpr int kDefaultPort = 80;

unsigned int ReadId(const char* field)
{
    return static_cast<unsigned int>(ReadDecimalInt(field));
}

bool ReadTestId(const CLineFields& fields, HttpLine* out)
{
    out->test.tid = ReadId(fields[1]);
    return true;
}

bool ReadTestFields(const CLineFields& fields, HttpLine* out)
{
    HttpTest* test = &out->test;
    test->tid = ReadId(fields[1]);
    test->lid = ReadId(fields[2]);
    test->host = fields[3];
    test->path = fields[4];
    test->port = ReadDecimalInt(fields[5]);
    if (test->port <= 0)
        test->port = kDefaultPort;
    test->matchText = fields[6];
    test->body = fields[7];
    test->userName = fields[8];
    test->password = fields[9];
    test->timeout = ReadDecimalInt(fields[10]);
    test->secure = ReadDecimalInt(fields[11]) != 0;
    test->readContent = ReadDecimalInt(fields[13]) != 0;
    test->matchSense = ReadDecimalInt(fields[14]) != 0;
    test->method = ReadDecimalInt(fields[15]);
    return true;
}

using Rule = LineRule<LineAction, HttpLine>;

const Rule kRules[] = {
    {"HPA", FieldCounts(16), LineAction::Add, ReadTestFields},
    {"HPM", FieldCounts(16), LineAction::Modify, ReadTestFields},
    {"HPD", FieldCounts(3), LineAction::Delete, ReadTestId},
};

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
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Ignored, LineAction::Ignored, out);
}

const char* HttpCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
