// The processor plug-in's test lines: codes, field counts and where each value comes from.
#include "cpu_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CpuLine, AddAndModifyOfSevenToTenFields)
{
    const struct {
        const char* line;
        LineAction action;
        CpuTest test;  // hostAddr, system, tid, lid, user, kernel, nice, idle, iowait
    } cases[] = {
        {"CUA\t4\t5\t11\t12\t80\t20", LineAction::Add, {"", "", 4, 5, 80, 20, -1, -1, -1}},
        {"CUA\t4\t5\t80.5\t20\t1\t10\t3", LineAction::Add, {"", "", 4, 5, 80.5, 20, 1, 10, 3}},
        {"CUM\t4\t5\t80\t20\t1\t10\t3\t127.0.16.1",
         LineAction::Modify,
         {"127.0.16.1", "", 4, 5, 80, 20, 1, 10, 3}},
        {"CUA\t4\t5\t-1\t-1\t-1\t-1\t-1\t127.0.16.1\tLinux",
         LineAction::Add,
         {"127.0.16.1", "Linux", 4, 5, -1, -1, -1, -1, -1}},
        {"CUA\tx\t5\tabc\t 7.25%\t1e3\tinf\t-0.5",
         LineAction::Add,
         {"", "", 0, 5, 0, 7.25, 1, 0, -0.5}},
    };
    for (const auto& c : cases) {
        CpuLine line;
        ASSERT_TRUE(ParseCpuLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.action, line.action) << c.line;
        const CpuTest& t = line.test;
        EXPECT_EQ(c.test.hostAddr, t.hostAddr) << c.line;
        EXPECT_EQ(c.test.system, t.system) << c.line;
        EXPECT_EQ(c.test.tid, t.tid) << c.line;
        EXPECT_EQ(c.test.lid, t.lid) << c.line;
        EXPECT_EQ(c.test.user_max, t.user_max) << c.line;
        EXPECT_EQ(c.test.kernel_max, t.kernel_max) << c.line;
        EXPECT_EQ(c.test.nice_max, t.nice_max) << c.line;
        EXPECT_EQ(c.test.idle_min, t.idle_min) << c.line;
        EXPECT_EQ(c.test.iowait_max, t.iowait_max) << c.line;
    }
}

TEST(CpuLine, DeletesAndIncorrectLines)
{
    CpuLine line;
    ASSERT_TRUE(ParseCpuLine("CUD\t9", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(9, line.test.tid);
    ASSERT_TRUE(ParseCpuLine("CUD\t9\t1\t2\t3", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    std::string longDelete = "CUD\t12";  // a delete of any length from 2 fields on
    for (int i = 0; i < 70; ++i)
        longDelete += "\tx";
    ASSERT_TRUE(ParseCpuLine(longDelete.c_str(), &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(12, line.test.tid);
    const char* incorrect[] = {
        "CUD",                                    // a delete without its id
        "CUA\t4\t5\t1\t2\t3",                     // 6 fields
        "CUA\t4\t5\t1\t2\t3\t4\t5\th\tlinux\tx",  // 11
        "CUM\t4",
        "cua\t4\t5\t11\t12\t80\t20",  // codes are case-sensitive
        "CUAX\t4\t5\t11\t12\t80\t20",
        "MMA\t4\t5\t11\t12\t80\t20",
        "CUDX\t4",
        "\t\t\t\t\t\t\t",  // only TABs
    };
    for (const char* text : incorrect) {
        ASSERT_TRUE(ParseCpuLine(text, &line)) << text;
        EXPECT_EQ(LineAction::Incorrect, line.action) << text;
    }
    EXPECT_FALSE(ParseCpuLine("", &line));
    EXPECT_FALSE(ParseCpuLine(nullptr, &line));
}

TEST(CpuLine, CommandCodesInTheirOrder)
{
    EXPECT_STREQ("CUACUMCUD", CpuCommandCodes());
}

}  // namespace
