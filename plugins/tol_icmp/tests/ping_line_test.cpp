#include "ping_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* line;
    PingLineKind kind;
};

TEST(PingLine, CodeAndFieldCountDecideTheKind)
{
    const LineCase cases[] = {
        {"PGA\t1\t2\thost\t32\t4\t1000\t-1", PingLineKind::Add},
        {"PGM\t1\t2\thost\t32\t4\t1000\t-1", PingLineKind::Modify},
        {"PGD\t1\t2", PingLineKind::Delete},
        {"PGA\t1\t2\thost\t32\t4\t1000", PingLineKind::Ignored},         // 7 fields
        {"PGA\t1\t2\thost\t32\t4\t1000\t-1\tx", PingLineKind::Ignored},  // 9 fields
        {"PGM\t1\t2\thost\t32\t4\t1000", PingLineKind::Ignored},
        {"PGD\t1", PingLineKind::Ignored},
        {"PGD\t1\t2\t3", PingLineKind::Ignored},
        {"pga\t1\t2\thost\t32\t4\t1000\t-1", PingLineKind::Ignored},  // case matters
        {"PGX\t1\t2", PingLineKind::Ignored},
        {"PGA", PingLineKind::Ignored},
    };
    for (const LineCase& c : cases) {
        PingLine line;
        ASSERT_TRUE(ParsePingLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.kind) << c.line;
    }
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
    EXPECT_EQ(17, line.test.testId);
    EXPECT_EQ(5, line.test.locationId);
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
    EXPECT_EQ(PingLineKind::Modify, line.kind);
    EXPECT_EQ(0, line.test.testId);
    EXPECT_EQ(-3, line.test.locationId);
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
    EXPECT_EQ(42, line.test.testId);
}

}  // namespace
