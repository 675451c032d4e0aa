#include "event_log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* line;
    EventLogLineKind kind;
};

TEST(EventLogLine, CodesAndFieldCounts)
{
    const LineCase cases[] = {
        {"LEA\t1\t2\t\tApplication\t1,2", EventLogLineKind::Add},
        {"LEM\t1\t2\thost\tSystem\t4", EventLogLineKind::Modify},
        {"LED\t1\t0", EventLogLineKind::Delete},
        {"LEA\t1\t2\t\tApplication", EventLogLineKind::Incorrect},        // five fields
        {"LEA\t1\t2\t\tApplication\t1\t9", EventLogLineKind::Incorrect},  // seven
        {"LED\t1", EventLogLineKind::Incorrect},                          // two
        {"LED\t1\t0\t0", EventLogLineKind::Incorrect},                    // four
        {"LEM\t1\t0", EventLogLineKind::Incorrect},                       // LEM with three
        {"lea\t1\t2\t\tApplication\t1", EventLogLineKind::Incorrect},     // case-sensitive
        {"LEAX\t1\t2\t\tApplication\t1", EventLogLineKind::Incorrect},
        {"\t\t\t\t\t", EventLogLineKind::Incorrect},  // only TABs
        {"LEA", EventLogLineKind::Incorrect},
    };
    for (const auto& c : cases) {
        EventLogLine line;
        ASSERT_TRUE(ParseEventLogLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.kind) << c.line;
    }
}

TEST(EventLogLine, FieldsReadLikeAtoi)
{
    EventLogLine line;
    ASSERT_TRUE(ParseEventLogLine("LEA\t12x\t-3\tsrv01\tJournal \xc3\xa9t\xc3\xa9\t1,16", &line));
    EXPECT_EQ(EventLogLineKind::Add, line.kind);
    EXPECT_EQ(12, line.testId);
    EXPECT_EQ(-3, line.locationId);
    EXPECT_EQ("srv01", line.host);
    EXPECT_EQ("Journal \xc3\xa9t\xc3\xa9", line.logName);
    EXPECT_EQ("1,16", line.types);

    ASSERT_TRUE(ParseEventLogLine("LEA\tabc\t\t\t\t", &line));  // trailing TAB adds no field
    EXPECT_EQ(EventLogLineKind::Incorrect, line.kind);
    ASSERT_TRUE(ParseEventLogLine("LEA\tabc\t\t\t\t\t", &line));
    EXPECT_EQ(EventLogLineKind::Add, line.kind);
    EXPECT_EQ(0, line.testId);
    EXPECT_EQ("", line.logName);

    std::string longLog(100000, 'L');
    ASSERT_TRUE(ParseEventLogLine(("LEA\t5\t1\t\t" + longLog + "\t1").c_str(), &line));
    EXPECT_EQ(longLog, line.logName);
}

TEST(EventLogLine, NothingToParse)
{
    EventLogLine line;
    EXPECT_FALSE(ParseEventLogLine(nullptr, &line));
    EXPECT_FALSE(ParseEventLogLine("", &line));
}

}  // namespace
