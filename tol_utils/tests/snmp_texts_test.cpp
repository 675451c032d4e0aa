// The SNMP client's texts and judging: syntax codes and value texts of every syntax
// (including those Debian's snmpd cannot send), the limits text, the limits against signed
// and unsigned values, the error tables, and the time-out in hundredths.
#include "snmp_error_text.h"
#include "snmp_limits.h"
#include "snmp_timeout.h"
#include "snmp_value_text.h"

#include "heap_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

smiVALUE Signed(long number)
{
    smiVALUE v{};
    v.syntax = SNMP_SYNTAX_INT;
    v.value.sNumber = number;
    return v;
}

smiVALUE Unsigned(smiUINT32 syntax, smiUINT32 number)
{
    smiVALUE v{};
    v.syntax = syntax;
    v.value.uNumber = number;
    return v;
}

smiVALUE Counter64(smiUINT32 high, smiUINT32 low)
{
    smiVALUE v{};
    v.syntax = SNMP_SYNTAX_CNTR64;
    v.value.hNumber.hipart = high;
    v.value.hNumber.lopart = low;
    return v;
}

smiVALUE Bytes(smiUINT32 syntax, std::vector<unsigned char>& bytes)
{
    smiVALUE v{};
    v.syntax = syntax;
    v.value.string.len = static_cast<smiUINT32>(bytes.size());
    v.value.string.ptr = bytes.empty() ? nullptr : bytes.data();
    return v;
}

smiVALUE Bare(smiUINT32 syntax)
{
    smiVALUE v{};
    v.syntax = syntax;
    return v;
}

}  // namespace

TEST(SnmpValueText, EverySyntaxHasItsCodeAndText)
{
    std::vector<unsigned char> ab01 = {'a', 'b', 0x01};
    std::vector<unsigned char> none;
    std::vector<unsigned char> lines = {'x', '\n', '\r', 0x7F, 0xFF};
    std::vector<unsigned char> address = {10, 0, 0, 1};
    std::vector<unsigned char> nsap = {71, 0, 255};
    struct Case {
        smiVALUE value;
        unsigned code;
        std::string text;
    } cases[] = {
        {Signed(-5), 9, "-5"},
        {Signed(2147483647), 9, "2147483647"},
        {Bytes(SNMP_SYNTAX_BITS, ab01), 10, "ab01"},
        {Bytes(SNMP_SYNTAX_OCTETS, ab01), 8, "ab01"},
        {Bytes(SNMP_SYNTAX_OCTETS, none), 8, "Empty"},
        {Bytes(SNMP_SYNTAX_OCTETS, lines), 8, "x\n\r7FFF"},
        {Bare(SNMP_SYNTAX_NULL), 18, "null"},
        {Bare(SNMP_SYNTAX_OID), 11, "1.3.6.1"},
        {Bytes(SNMP_SYNTAX_IPADDR, address), 16, "10.0.0.1"},
        {Unsigned(SNMP_SYNTAX_CNTR32, 4000000000u), 14, "4000000000"},
        {Unsigned(SNMP_SYNTAX_GAUGE32, 77), 13, "77"},
        {Unsigned(SNMP_SYNTAX_TIMETICKS, 12345), 12, "12345"},
        {Bytes(SNMP_SYNTAX_OPAQUE, ab01), 7, "ab01"},
        {Bytes(SNMP_SYNTAX_NSAPADDR, nsap), 17, "71.0.255"},
        {Counter64(1, 0), 3, "4294967296"},
        {Counter64(0xFFFFFFFFu, 0xFFFFFFFFu), 3, "18446744073709551615"},
        {Unsigned(SNMP_SYNTAX_UINT32, 9), 15, "9"},
        {Bare(SNMP_SYNTAX_NOSUCHOBJECT), 20, "no such object"},
        {Bare(SNMP_SYNTAX_NOSUCHINSTANCE), 21, "no such instance"},
        {Bare(SNMP_SYNTAX_ENDOFMIBVIEW), 19, "end of mib"},
        {Bare(0x99), 19, "Unknown Type"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SnmpSyntaxCode(c.value.syntax), c.code) << c.text;
        EXPECT_EQ(SnmpValueText(c.value, "1.3.6.1"), c.text) << c.code;
    }
    EXPECT_EQ(SnmpValueText(Bare(SNMP_SYNTAX_OID), ""), "")
        << "an identifier that cannot be rendered";
}

TEST(SnmpLimits, FieldsGiveLimitsOnlyWhenTheyHoldTwoNumbers)
{
    struct Case {
        const char* text;
        unsigned count;
        bool accepted;
        std::vector<int> limits;  // lower, upper per identifier; empty: none
    } cases[] = {
        {"0,10", 1, true, {0, 10}},    {"0,10", 2, false, {}},
        {"0,10;;", 2, true, {0, 10}},  {"-5,x;7", 2, true, {-5, 0}},
        {"5;1,2,3", 2, true, {}},      {",9", 1, true, {0, 9}},
        {"5,", 1, true, {}},           {"1,2;3,4;", 2, true, {1, 2, 3, 4}},
        {"1,2;3,4;5,6", 2, false, {}},
    };
    for (const Case& c : cases) {
        int* lower[2] = {nullptr, nullptr};
        int* upper[2] = {nullptr, nullptr};
        EXPECT_EQ(ParseSnmpLimits(c.text, c.count, lower, upper), c.accepted) << c.text;
        std::vector<int> found;
        for (unsigned i = 0; i < c.count; ++i) {
            EXPECT_EQ(lower[i] == nullptr, upper[i] == nullptr) << c.text;
            if (lower[i]) {
                found.push_back(*lower[i]);
                found.push_back(*upper[i]);
            }
        }
        EXPECT_EQ(found, c.limits) << c.text;
        FreeSnmpLimits(c.count, lower, upper);
    }
}

TEST(SnmpLimits, ValuesOutsideBothLimitsAndMissingValuesGetStatusTwo)
{
    int zero = 0, ten = 10, minusFive = -5, minusOne = -1;
    struct Case {
        smiVALUE value;
        const int* lower;
        const int* upper;
        unsigned status;
        std::string text;
    } cases[] = {
        {Signed(0), &zero, &ten, 0, "OID: 1.2.3 the result is available.\n"},
        {Signed(10), &zero, &ten, 0, "OID: 1.2.3 the result is available.\n"},
        {Signed(11), &zero, &ten, 2,
         "OID:       1.2.3\nValue:     11\nMin Value: 0\nMax Value: 10\n"},
        {Signed(-1), &zero, &ten, 2,
         "OID:       1.2.3\nValue:     -1\nMin Value: 0\nMax Value: 10\n"},
        {Signed(-6), &minusFive, &ten, 2,
         "OID:       1.2.3\nValue:     -6\nMin Value: -5\nMax Value: 10\n"},
        {Signed(99), nullptr, nullptr, 0, "OID: 1.2.3 the result is available.\n"},
        {Unsigned(SNMP_SYNTAX_GAUGE32, 11), &zero, &ten, 2,
         "OID:       1.2.3\nValue:     11\nMin value: 0\nMax Value: 10\n"},
        // A negative lower limit bounds nothing for the unsigned syntaxes.
        {Unsigned(SNMP_SYNTAX_CNTR32, 0), &minusFive, &ten, 0,
         "OID: 1.2.3 the result is available.\n"},
        {Unsigned(SNMP_SYNTAX_TIMETICKS, 7), &minusFive, &ten, 0,
         "OID: 1.2.3 the result is available.\n"},
        {Unsigned(SNMP_SYNTAX_UINT32, 11), &minusFive, &ten, 2,
         "OID:       1.2.3\nValue:     11\nMin value: -5\nMax Value: 10\n"},
        // The upper limit is taken sign-extended: -1 is the largest unsigned number.
        {Unsigned(SNMP_SYNTAX_GAUGE32, 4000000000u), &zero, &minusOne, 0,
         "OID: 1.2.3 the result is available.\n"},
        {Counter64(1, 0), &minusFive, &ten, 2,
         "OID:       1.2.3\nValue:     4294967296\nMin Value: -5\nMax Value: 10\n"},
        {Bare(SNMP_SYNTAX_NOSUCHOBJECT), nullptr, nullptr, 2, "OID: 1.2.3 no such object"},
        {Bare(SNMP_SYNTAX_NOSUCHINSTANCE), nullptr, nullptr, 2, "OID: 1.2.3 no such instance"},
        {Bare(SNMP_SYNTAX_ENDOFMIBVIEW), &zero, &ten, 2, "OID: 1.2.3 end of MIB view"},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(JudgeSnmpValue(c.value, c.lower, c.upper, "1.2.3", text), c.status) << c.text;
        EXPECT_EQ(text, c.text);
    }
}

TEST(SnmpErrorText, TablesAndUnknownCodes)
{
    EXPECT_STREQ(SnmpPduErrorText(0), "No errors occurred during transmission.");
    EXPECT_STREQ(SnmpPduErrorText(2),
                 "The requested SNMP operation identified an unknown variable.");
    EXPECT_STREQ(SnmpPduErrorText(5),
                 "An unknown error occurred during the requested SNMP operation.");
    EXPECT_STREQ(SnmpPduErrorText(18),
                 "The variable does not exist; the agent cannot create it because the named "
                 "object instance is inconsistent with the values of other managed objects.");
    EXPECT_STREQ(SnmpPduErrorText(19), "Unknown Error");
    EXPECT_STREQ(SnmpPduErrorText(-1), "Unknown Error");
    EXPECT_STREQ(SnmpApiErrorText(18), "SnmpStartup failed/not called");
    EXPECT_STREQ(SnmpApiErrorText(108), "No response before timeout");
    EXPECT_STREQ(SnmpApiErrorText(199), "Undefined TL error");
    EXPECT_STREQ(SnmpApiErrorText(99), "Unknown Error");
    EXPECT_STREQ(SnmpApiErrorText(0), "Unknown Error");
}

TEST(SnmpTimeout, HundredthsNeverWrap)
{
    struct {
        unsigned seconds;
        uint32_t hundredths;
    } const cases[] = {
        {0, 0},
        {1, 100},
        {10, 1000},
        {kSnmpLargestTimeoutSeconds - 1, 429496600},
        {kSnmpLargestTimeoutSeconds, 429496700},
        {42949672, 429496700},  // fits in hundredths, though not in milliseconds
        {42949673, 429496700},  // 100 times this wraps to 4: 0.04 s
        {4294967295u, 429496700},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hundredths, SnmpTimeoutHundredths(c.seconds)) << c.seconds;
    // Nor do the milliseconds of the largest.
    EXPECT_GE(UINT32_MAX / 10u, SnmpTimeoutHundredths(4294967295u));
}
