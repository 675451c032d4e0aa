#include "event_log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* line;
    LineAction action;
};

TEST(EventLogLine, CodesAndFieldCounts)
{
    const LineCase cases[] = {
        {"LEA\t1\t2\t\tApplication\t1,2", LineAction::Add},
        {"LEM\t1\t2\thost\tSystem\t4", LineAction::Modify},
        {"LED\t1\t0", LineAction::Delete},
        {"LEA\t1\t2\t\tApplication", LineAction::Incorrect},        // five fields
        {"LEA\t1\t2\t\tApplication\t1\t9", LineAction::Incorrect},  // seven
        {"LED\t1", LineAction::Incorrect},                          // two
        {"LED\t1\t0\t0", LineAction::Incorrect},                    // four
        {"LEM\t1\t0", LineAction::Incorrect},                       // LEM with three
        {"lea\t1\t2\t\tApplication\t1", LineAction::Incorrect},     // case-sensitive
        {"LEAX\t1\t2\t\tApplication\t1", LineAction::Incorrect},
        {"\t\t\t\t\t", LineAction::Incorrect},  // only TABs
        {"LEA", LineAction::Incorrect},
    };
    for (const auto& c : cases) {
        EventLogLine line;
        ASSERT_TRUE(ParseEventLogLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.action, line.action) << c.line;
    }
}

TEST(EventLogLine, FieldsReadLikeAtoi)
{
    EventLogLine line;
    ASSERT_TRUE(ParseEventLogLine("LEA\t12x\t-3\tsrv01\tJournal \xc3\xa9t\xc3\xa9\t1,16", &line));
    EXPECT_EQ(LineAction::Add, line.action);
    EXPECT_EQ(12, line.test.tid);
    EXPECT_EQ(-3, line.test.lid);
    EXPECT_EQ("srv01", line.test.line.host);
    EXPECT_EQ("Journal \xc3\xa9t\xc3\xa9", line.test.line.logName);
    EXPECT_EQ("1,16", line.test.line.types);

    ASSERT_TRUE(ParseEventLogLine("LEA\tabc\t\t\t\t", &line));  // trailing TAB adds no field
    EXPECT_EQ(LineAction::Incorrect, line.action);
    ASSERT_TRUE(ParseEventLogLine("LEA\tabc\t\t\t\t\t", &line));
    EXPECT_EQ(LineAction::Add, line.action);
    EXPECT_EQ(0, line.test.tid);
    EXPECT_EQ("", line.test.line.logName);

    std::string longLog(100000, 'L');
    ASSERT_TRUE(ParseEventLogLine(("LEA\t5\t1\t\t" + longLog + "\t1").c_str(), &line));
    EXPECT_EQ(longLog, line.test.line.logName);
}

TEST(EventLogLine, NothingToParse)
{
    EventLogLine line;
    EXPECT_FALSE(ParseEventLogLine(nullptr, &line));
    EXPECT_FALSE(ParseEventLogLine("", &line));
}

// The Init reply's list comes from the same table, in its order.
TEST(EventLogLine, CommandCodesAreTheTablesInOrder)
{
    EXPECT_STREQ("LEALEMLED", EventLogCommandCodes());
}

}  // namespace
