#include "snmp_line.h"

#include <climits>
#include <string>

#include "text_numbers.h"

namespace {

// An unsigned 32-bit value above 0; false for 0, a negative number or one beyond 32 bits.
bool ReadPositive(const char* field, unsigned int* out)
{
    long long value = ReadDecimalInt64(field);
    if (value <= 0 || value > static_cast<long long>(UINT_MAX))
        return false;
    *out = static_cast<unsigned int>(value);
    return true;
}

bool ReadRequestTest(const CLineFields& fields, SnmpLine* out)
{
    SnmpTest* test = &out->test;
    long long tid = ReadDecimalInt64(fields[1]);
    if (tid <= 0 || tid > INT_MAX)
        return false;
    test->tid = static_cast<int>(tid);
    test->lid = ReadDecimalInt(fields[2]);
    test->host = fields[3];
    test->version = ReadDecimalInt(fields[5]);
    test->oids = fields[6];
    test->community = fields[7];
    test->limits = fields[15];
    return ReadPositive(fields[4], &test->port) && (test->version == 1 || test->version == 2) &&
           ReadPositive(fields[13], &test->timeout) && ReadPositive(fields[14], &test->retries);
}

bool ReadTestId(const CLineFields& fields, SnmpLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadTrapStart(const CLineFields& fields, SnmpLine* out)
{
    out->trapId = static_cast<unsigned int>(ReadDecimalInt(fields[1]));
    out->trapValue = static_cast<unsigned int>(ReadDecimalInt(fields[2]));
    return true;
}

bool ReadTrapStop(const CLineFields& fields, SnmpLine* out)
{
    out->trapId = static_cast<unsigned int>(ReadDecimalInt(fields[1]));
    return true;
}

using Rule = LineRule<SnmpLineKind, SnmpLine>;

// TRM is announced and takes no line: no field count matches it.
const Rule kRules[] = {
    {"SPA", FieldCounts(16), SnmpLineKind::Add, ReadRequestTest},
    {"SPM", FieldCounts(16), SnmpLineKind::Modify, ReadRequestTest},
    {"SPD", FieldCounts(3), SnmpLineKind::Delete, ReadTestId},
    {"TRA", FieldCounts(3), SnmpLineKind::TrapStart, ReadTrapStart},
    {"TRM", FieldCounts(), SnmpLineKind::Ignored, nullptr},
    {"TRD", FieldCounts(3), SnmpLineKind::TrapStop, ReadTrapStop},
};

}  // namespace

bool ParseSnmpLine(const char* utf8Line, SnmpLine* out)
{
    return ReadWholeLineByRules(utf8Line, kRules, SnmpLineKind::Ignored, SnmpLineKind::Ignored, out,
                                &SnmpLine::kind);
}

const char* SnmpCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
