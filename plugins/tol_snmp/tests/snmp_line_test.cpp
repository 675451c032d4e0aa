#include "snmp_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A request line: the code, then `rest` (the fifteen fields from the test id on).
const char kFields[] =
    "7\t3\t127.0.23.1\t1161\t2\t1.3.6.1.2.1.1.3.0;1.3.6.1.2.1.2.1.0\ttol23"
    "\ta\tb\tc\td\te\t5\t2\t0,100;-5,5";

std::string Line(const char* code, const std::string& rest = kFields)
{
    return std::string(code) + "\t" + rest;
}

// The request line with field `index` (1 to 15) replaced.
std::string WithField(unsigned index, const std::string& value)
{
    std::string line = Line("SPA");
    size_t start = 0;
    for (unsigned i = 0; i < index; ++i)
        start = line.find('\t', start) + 1;
    size_t end = line.find('\t', start);
    return line.substr(0, start) + value + (end == std::string::npos ? "" : line.substr(end));
}

SnmpLineKind KindOf(const std::string& text)
{
    SnmpLine line;
    EXPECT_TRUE(ParseSnmpLine(text.c_str(), &line)) << text;
    return line.kind;
}

TEST(SnmpLine, CodeAndFieldCountDecideTheKind)
{
    const std::string fifteen = std::string(kFields).substr(0, std::string(kFields).rfind('\t'));
    struct {
        std::string line;
        SnmpLineKind kind;
    } const cases[] = {
        {Line("SPA"), SnmpLineKind::Add},
        {Line("SPM"), SnmpLineKind::Modify},
        {"SPD\t7\t3", SnmpLineKind::Delete},
        {"TRA\t9\t4", SnmpLineKind::TrapStart},
        {"TRD\t9\t0", SnmpLineKind::TrapStop},
        {"TRM\t9\t4", SnmpLineKind::Ignored},           // announced, taken without effect
        {Line("SPA", fifteen), SnmpLineKind::Ignored},  // 15 fields
        {Line("SPA", std::string(kFields) + "\t"), SnmpLineKind::Add},  // a trailing TAB adds none
        {Line("SPA", std::string(kFields) + "\t\t"), SnmpLineKind::Ignored},  // 17 fields
        {Line("SPA", std::string(kFields) + "\tx"), SnmpLineKind::Ignored},
        {Line("SPA", fifteen + "\t"), SnmpLineKind::Ignored},  // 15 fields and a trailing TAB
        {Line("SPA", fifteen + "\t\t"), SnmpLineKind::Add},    // 16: the last one empty
        {Line("SPM", fifteen), SnmpLineKind::Ignored},
        {"SPD\t7", SnmpLineKind::Ignored},
        {"SPD\t7\t", SnmpLineKind::Ignored},  // two fields
        {"TRD\t9\t", SnmpLineKind::Ignored},
        {"TRA\t9\t", SnmpLineKind::Ignored},
        {"SPD\t7\t\t", SnmpLineKind::Delete},  // three: the last one empty
        {"TRD\t9\t\t", SnmpLineKind::TrapStop},
        {"TRA\t9\t3\t", SnmpLineKind::TrapStart},
        // No identifiers and no limits: an add whose request then fails at set-up.
        {"SPA\t7\t3\t127.0.23.1\t1161\t2\t\ttol23\ta\tb\tc\td\te\t5\t2\t\t", SnmpLineKind::Add},
        {"SPD\t7\t3\t1", SnmpLineKind::Ignored},
        {"TRA\t9", SnmpLineKind::Ignored},
        {"TRD\t9\t0\t0", SnmpLineKind::Ignored},
        {"SPA\t7\t3", SnmpLineKind::Ignored},  // a short add
        {Line("spa"), SnmpLineKind::Ignored},  // the code is case-sensitive
        {Line("SPA "), SnmpLineKind::Ignored},
        {"SPA", SnmpLineKind::Ignored},
        {std::string(16, '\t'), SnmpLineKind::Ignored},  // only TABs: 16 empty fields
        {std::string(2, '\t'), SnmpLineKind::Ignored},
        {"\xC3\xA9\xE2\x82\xAC\t1\t2", SnmpLineKind::Ignored},  // non-ASCII code
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kind, KindOf(c.line)) << c.line;
}

TEST(SnmpLine, NullOrEmptyLineIsRefused)
{
    SnmpLine line;
    EXPECT_FALSE(ParseSnmpLine(nullptr, &line));
    EXPECT_FALSE(ParseSnmpLine("", &line));
}

// The Init reply: the codes in the table's order, TRM announced although it takes no line.
TEST(SnmpLine, CommandCodesAreTheTablesCodesInOrder)
{
    EXPECT_STREQ("SPASPMSPDTRATRMTRD", SnmpCommandCodes());
}

TEST(SnmpLine, RequestFieldsAreReadInTheirOrder)
{
    SnmpLine line;
    ASSERT_TRUE(ParseSnmpLine(Line("SPA").c_str(), &line));
    const SnmpTest& t = line.test;
    EXPECT_EQ(7, t.tid);
    EXPECT_EQ(3, t.lid);
    EXPECT_EQ("127.0.23.1", t.host);
    EXPECT_EQ(1161u, t.port);
    EXPECT_EQ(2, t.version);
    EXPECT_EQ("1.3.6.1.2.1.1.3.0;1.3.6.1.2.1.2.1.0", t.oids);
    EXPECT_EQ("tol23", t.community);
    EXPECT_EQ(5u, t.timeout);
    EXPECT_EQ(2u, t.retries);
    EXPECT_EQ("0,100;-5,5", t.limits);
    EXPECT_FALSE(t.answered);
}

TEST(SnmpLine, RuleBreakingRequestLinesAreIgnored)
{
    struct {
        unsigned field;
        const char* value;
        SnmpLineKind kind;
    } const cases[] = {
        {1, "0", SnmpLineKind::Ignored},  // test id must be above 0
        {1, "-4", SnmpLineKind::Ignored},
        {1, "x", SnmpLineKind::Ignored},            // not a number: 0
        {1, "99999999999", SnmpLineKind::Ignored},  // beyond the signed 32-bit range
        {1, "2147483647", SnmpLineKind::Add},
        {1, "12abc", SnmpLineKind::Add},  // a number followed by text reads as 12
        {2, "-8", SnmpLineKind::Add},     // the location id may be anything
        {2, "", SnmpLineKind::Add},
        {4, "0", SnmpLineKind::Ignored},  // port
        {4, "", SnmpLineKind::Ignored},
        {4, "-161", SnmpLineKind::Ignored},
        {4, "4294967296", SnmpLineKind::Ignored},
        {4, "65535", SnmpLineKind::Add},
        {5, "0", SnmpLineKind::Ignored},  // version 1 or 2
        {5, "3", SnmpLineKind::Ignored},
        {5, "1", SnmpLineKind::Add},
        {13, "0", SnmpLineKind::Ignored},  // time-out
        {13, "-1", SnmpLineKind::Ignored},
        {13, "4294967295", SnmpLineKind::Add},
        {14, "0", SnmpLineKind::Ignored},  // retries
        {14, "", SnmpLineKind::Ignored},
        {3, "", SnmpLineKind::Add},  // empty texts are kept as none
        {6, "", SnmpLineKind::Add},
        {7, "", SnmpLineKind::Add},
        {15, "", SnmpLineKind::Ignored},                 // one TAB at the end: 15 fields
        {15, "\t", SnmpLineKind::Add},                   // no limits: the line ends in two TABs
        {8, "\xC3\xA9\xE2\x82\xAC", SnmpLineKind::Add},  // unused fields are not read
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kind, KindOf(WithField(c.field, c.value))) << c.field << " " << c.value;
}

TEST(SnmpLine, LongAndOddTextsAreKeptAsGiven)
{
    const std::string longText(100000, '1');
    SnmpLine line;
    ASSERT_TRUE(ParseSnmpLine(WithField(6, longText).c_str(), &line));
    EXPECT_EQ(longText, line.test.oids);
    ASSERT_TRUE(ParseSnmpLine(WithField(3, "h\xC3\xA9te").c_str(), &line));
    EXPECT_EQ("h\xC3\xA9te", line.test.host);
    ASSERT_TRUE(ParseSnmpLine(WithField(7, "").c_str(), &line));
    EXPECT_TRUE(line.test.community.empty());
    EXPECT_EQ(nullptr, TextOrNull(line.test.community));
}

TEST(SnmpLine, ShortLinesCarryTheirIds)
{
    SnmpLine line;
    ASSERT_TRUE(ParseSnmpLine("TRA\t12\t34", &line));
    EXPECT_EQ(12u, line.trapId);
    EXPECT_EQ(34u, line.trapValue);
    ASSERT_TRUE(ParseSnmpLine("TRD\t12\twhatever", &line));
    EXPECT_EQ(12u, line.trapId);
    ASSERT_TRUE(ParseSnmpLine("SPD\t-3\t0", &line));
    EXPECT_EQ(SnmpLineKind::Delete, line.kind);
    EXPECT_EQ(-3, line.test.tid);  // deletes nothing: no test has it
    ASSERT_TRUE(ParseSnmpLine("TRA\tx\t\t", &line));
    EXPECT_EQ(SnmpLineKind::TrapStart, line.kind);
    EXPECT_EQ(0u, line.trapId);
}

TEST(SnmpLine, WaitCoversEveryTry)
{
    SnmpTest test;
    test.timeout = 5;
    test.retries = 2;
    EXPECT_EQ(15000u, SnmpWaitMs(test));
    test.timeout = 1;
    test.retries = 1;
    EXPECT_EQ(2000u, SnmpWaitMs(test));
    test.timeout = 4294967295u;  // held below INFINITE
    test.retries = 4294967295u;
    EXPECT_EQ(0xFFFFFFFEu, SnmpWaitMs(test));
}

}  // namespace
