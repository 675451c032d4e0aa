#include "disk_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* line;
    LineAction kind;
};

TEST(DiskLine, CodeAndFieldCountDecideTheKind)
{
    const std::string longField(5000, 'x');
    const std::string longDrive = "DKA\t1\t1\t" + longField + "\t5";
    const std::string longCode = longField + "\t1\t1";
    const LineCase cases[] = {
        {"DKA\t1\t2\tC\t5", LineAction::Add},
        {"DIA\t1\t2\tC", LineAction::Add},
        {"DKM\t1\t2\tC\t5", LineAction::Modify},
        {"DIM\t1\t2\tC", LineAction::Modify},
        {"DKD\t1\t2", LineAction::Delete},
        {"DID\t1\t2", LineAction::Delete},
        {"DKD\t1\t", LineAction::Incorrect},      // a trailing TAB adds no field
        {"DKA\t1\t2\tC", LineAction::Incorrect},  // 4 fields
        {"DKA\t1\t2\tC\t5\t6", LineAction::Incorrect},
        {"DIA\t1\t2\tC\t5", LineAction::Incorrect},  // 5 fields
        {"DKM\t1\t2\tC", LineAction::Incorrect},
        {"DIM\t1\t2\tC\t5", LineAction::Incorrect},
        {"DKD\t1", LineAction::Incorrect},
        {"DID\t1\t2\t3", LineAction::Incorrect},
        {"dka\t1\t2\tC\t5", LineAction::Incorrect},  // codes are case-sensitive
        {"DKX\t1\t2", LineAction::Incorrect},
        {"DKA", LineAction::Incorrect},
        {"\t\t\t\t", LineAction::Incorrect},  // only TABs
        {longCode.c_str(), LineAction::Incorrect},
        {longDrive.c_str(), LineAction::Add},  // the first character is the drive
    };
    for (const LineCase& c : cases) {
        DiskLine line;
        ASSERT_TRUE(ParseDiskLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.action) << c.line;
    }
}

TEST(DiskLine, NullOrEmptyLineIsRefused)
{
    DiskLine line;
    EXPECT_FALSE(ParseDiskLine(nullptr, &line));
    EXPECT_FALSE(ParseDiskLine("", &line));
}

TEST(DiskLine, FieldsAreReadInTheirOrder)
{
    DiskLine line;
    ASSERT_TRUE(ParseDiskLine("DKA\t17\t5\tD:\\\t40", &line));
    EXPECT_EQ(17, line.test.tid);
    EXPECT_EQ(5, line.test.lid);
    EXPECT_EQ('D', line.test.drive);
    EXPECT_EQ(40, line.test.minimumFree);
    EXPECT_FALSE(line.test.IsRateTest());

    ASSERT_TRUE(ParseDiskLine("DIM\t3\t4\tc", &line));
    EXPECT_EQ(LineAction::Modify, line.action);
    EXPECT_EQ('c', line.test.drive);
    EXPECT_EQ(kRateTestMinimum, line.test.minimumFree);
    EXPECT_TRUE(line.test.IsRateTest());

    ASSERT_TRUE(ParseDiskLine("DID\t42\tignored", &line));
    EXPECT_EQ(42, line.test.tid);
}

TEST(DiskLine, NumbersReadLikeAtoiWithinTheIntRange)
{
    const struct {
        const char* line;
        int testId, locationId, minimum;
    } cases[] = {
        {"DKA\tx\t-3\tC\t12abc", 0, -3, 12},
        {"DKA\t \t\tC\t-7", 0, 0, -7},  // a negative minimum makes a read/write-count test
        {"DKA\t99999999999\t-99999999999\tC\t2147483648", 2147483647, -2147483647 - 1, 2147483647},
    };
    for (const auto& c : cases) {
        DiskLine line;
        ASSERT_TRUE(ParseDiskLine(c.line, &line));
        EXPECT_EQ(LineAction::Add, line.action) << c.line;
        EXPECT_EQ(c.testId, line.test.tid) << c.line;
        EXPECT_EQ(c.locationId, line.test.lid) << c.line;
        EXPECT_EQ(c.minimum, line.test.minimumFree) << c.line;
    }
}

TEST(DiskLine, DriveFieldMustStartWithALetter)
{
    const char* refused[] = {
        "DKA\t1\t1\t\t5",       // empty: would measure the current folder's volume
        "DIA\t1\t1\t\xC3\x84",  // non-ASCII: a stray byte in a UTF-8 text
        "DKM\t1\t1\t1\t5",     "DIA\t1\t1\t:", "DIA\t1\t1\t\\", "DIA\t1\t1\t ",
    };
    for (const char* text : refused) {
        DiskLine line;
        ASSERT_TRUE(ParseDiskLine(text, &line));
        EXPECT_EQ(LineAction::Incorrect, line.action) << text;
    }
    for (const char* text : {"DIA\t1\t1\tA", "DIA\t1\t1\tz", "DIA\t1\t1\tZ:"}) {
        DiskLine line;
        ASSERT_TRUE(ParseDiskLine(text, &line));
        EXPECT_EQ(LineAction::Add, line.action) << text;
    }
}

}  // namespace
