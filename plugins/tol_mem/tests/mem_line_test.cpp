// The memory plug-in's test lines: codes, field counts and the values each field gives.
#include "mem_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MemLine, MemoryLinesOfSixEightAndNineFields)
{
    const struct {
        const char* line;
        LineAction action;
        MemTest test;  // hostAddr, tid, lid, mem_min, page_min, buffered_min, cached_min, vsize_min
    } cases[] = {
        {"MMA\t5\t7\t100\t200\t300", LineAction::Add, {"", 5, 7, 100, 200, -1, -1, 300}},
        {"MMA\t5\t7\t100\t200\t300\t40\t50", LineAction::Add, {"", 5, 7, 100, 200, 40, 50, 300}},
        {"MMA\t5\t7\t100\t200\t300\t40\t50\t127.0.15.1",
         LineAction::Add,
         {"127.0.15.1", 5, 7, 100, 200, 40, 50, 300}},
        {"MMM\t5\t8\t-1\t0\t-7", LineAction::Modify, {"", 5, 8, -1, 0, -1, -1, -7}},
        {"MMA\tx\t\t1.9\t 12abc\t99999999999",
         LineAction::Add,
         {"", 0, 0, 1, 12, -1, -1, 2147483647}},
        {"MMA\t1\t1\t1\t1\t1\t1\t1\t\xc3\xa4-host",
         LineAction::Add,
         {"\xc3\xa4-host", 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        MemLine line;
        ASSERT_TRUE(ParseMemLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.action, line.action) << c.line;
        EXPECT_EQ(MemLineList::Memory, line.list) << c.line;
        const MemTest& t = line.mem;
        EXPECT_EQ(c.test.hostAddr, t.hostAddr) << c.line;
        EXPECT_EQ(c.test.tid, t.tid) << c.line;
        EXPECT_EQ(c.test.lid, t.lid) << c.line;
        EXPECT_EQ(c.test.mem_min, t.mem_min) << c.line;
        EXPECT_EQ(c.test.page_min, t.page_min) << c.line;
        EXPECT_EQ(c.test.vsize_min, t.vsize_min) << c.line;
        EXPECT_EQ(c.test.buffered_min, t.buffered_min) << c.line;
        EXPECT_EQ(c.test.cached_min, t.cached_min) << c.line;
    }
}

TEST(MemLine, LoadAverageLinesAndDeletes)
{
    MemLine line;
    ASSERT_TRUE(ParseMemLine("LAA\t3\t4\t2\t-1\t0\thost.example", &line));
    EXPECT_EQ(LineAction::Add, line.action);
    EXPECT_EQ(MemLineList::LoadAverage, line.list);
    EXPECT_EQ("host.example", line.load.hostAddr);
    EXPECT_EQ(3, line.load.tid);
    EXPECT_EQ(4, line.load.lid);
    EXPECT_EQ(2, line.load.max1);
    EXPECT_EQ(-1, line.load.max5);
    EXPECT_EQ(0, line.load.max15);

    ASSERT_TRUE(ParseMemLine("LAM\t3\t4\t1\t1\t1\t", &line));  // a trailing TAB adds no field
    EXPECT_EQ(LineAction::Incorrect, line.action);
    ASSERT_TRUE(ParseMemLine("LAM\t3\t4\t1\t1\t1\t\t", &line));
    EXPECT_EQ(LineAction::Modify, line.action);
    EXPECT_EQ(MemLineList::LoadAverage, line.list);
    EXPECT_EQ("", line.load.hostAddr);

    ASSERT_TRUE(ParseMemLine("MMD\t5\t0", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(MemLineList::Memory, line.list);
    EXPECT_EQ(5, line.mem.tid);
    ASSERT_TRUE(ParseMemLine("LAD\t6\tignored", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(MemLineList::LoadAverage, line.list);
    EXPECT_EQ(6, line.load.tid);
}

TEST(MemLine, WrongCodesAndFieldCountsAreIncorrect)
{
    const char* lines[] = {
        "MMA\t5\t7\t100\t200",                 // 5 fields
        "MMA\t5\t7\t100\t200\t300\t40",        // 7
        "MMA\t5\t7\t1\t2\t3\t4\t5\th\textra",  // 10
        "MMD\t5",                              // a delete of 2 fields
        "MMD\t5\t0\t0",                        // and of 4
        "LAA\t3\t4\t2\t1\t0",                  // 6
        "LAD\t3",
        "mma\t5\t7\t100\t200\t300",   // codes are case-sensitive
        "MMAX\t5\t7\t100\t200\t300",  // and whole
        "CUA\t1\t1\t1\t1\t1\t1",
        "\t\t\t\t\t",  // only TABs
        "MMA",
    };
    for (const char* text : lines) {
        MemLine line;
        ASSERT_TRUE(ParseMemLine(text, &line)) << text;
        EXPECT_EQ(LineAction::Incorrect, line.action) << text;
    }
    MemLine line;
    EXPECT_FALSE(ParseMemLine("", &line));
    EXPECT_FALSE(ParseMemLine(nullptr, &line));
}

TEST(MemLine, CommandCodesInTheirOrder)
{
    EXPECT_STREQ("MMAMMMMMDLAALAMLAD", MemCommandCodes());
}

}  // namespace
