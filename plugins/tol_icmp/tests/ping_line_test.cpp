#include "ping_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* line;
    LineAction kind;
};

TEST(PingLine, CodeAndFieldCountDecideTheKind)
{
    const LineCase cases[] = {
        {"PGA\t1\t2\thost\t32\t4\t1000\t-1", LineAction::Add},
        {"PGM\t1\t2\thost\t32\t4\t1000\t-1", LineAction::Modify},
        {"PGD\t1\t2", LineAction::Delete},
        {"PGA\t1\t2\thost\t32\t4\t1000", LineAction::Ignored},         // 7 fields
        {"PGA\t1\t2\thost\t32\t4\t1000\t-1\tx", LineAction::Ignored},  // 9 fields
        {"PGM\t1\t2\thost\t32\t4\t1000", LineAction::Ignored},
        {"PGD\t1", LineAction::Ignored},
        {"PGD\t1\t2\t3", LineAction::Ignored},
        {"pga\t1\t2\thost\t32\t4\t1000\t-1", LineAction::Ignored},  // case matters
        {"PGX\t1\t2", LineAction::Ignored},
        {"PGA", LineAction::Ignored},
    };
    for (const LineCase& c : cases) {
        PingLine line;
        ASSERT_TRUE(ParsePingLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.action) << c.line;
    }
}

TEST(PingLine, CommandCodesAreTheInitReply)
{
    EXPECT_STREQ("PGAPGMPGD", PingCommandCodes());
}

TEST(PingLine, NullOrEmptyLineIsRefused)
{
    PingLine line;
    EXPECT_FALSE(ParsePingLine(nullptr, &line));
    EXPECT_FALSE(ParsePingLine("", &line));
}

TEST(PingLine, AddFieldsAreReadInTheirOrder)
{
    PingLine line;
    ASSERT_TRUE(ParsePingLine("PGA\t17\t5\t127.0.0.1\t64\t3\t750\t2", &line));
    EXPECT_EQ(17, line.test.tid);
    EXPECT_EQ(5, line.test.lid);
    EXPECT_EQ("127.0.0.1", line.test.host);
    EXPECT_EQ(64, line.test.dataSize);
    EXPECT_EQ(3, line.test.count);
    EXPECT_EQ(750, line.test.timeout);
    EXPECT_EQ(2, line.test.maximumLost);
}

TEST(PingLine, NumbersReadLikeAtoi)
{
    PingLine line;
    ASSERT_TRUE(ParsePingLine("PGM\tx\t-3\t\t12abc\t \t-1\tzz", &line));
    EXPECT_EQ(LineAction::Modify, line.action);
    EXPECT_EQ(0, line.test.tid);
    EXPECT_EQ(-3, line.test.lid);
    EXPECT_EQ("", line.test.host);
    EXPECT_EQ(12, line.test.dataSize);
    EXPECT_EQ(0, line.test.count);
    EXPECT_EQ(-1, line.test.timeout);
    EXPECT_EQ(0, line.test.maximumLost);
}

TEST(PingLine, DeleteReadsTheTestId)
{
    PingLine line;
    ASSERT_TRUE(ParsePingLine("PGD\t42\tignored", &line));
    EXPECT_EQ(42, line.test.tid);
}

}  // namespace
