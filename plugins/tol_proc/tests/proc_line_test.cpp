#include "proc_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct LineCase {
    std::string line;
    LineAction action;
    int tid, lid, maxCpu, maxWss, maxPfs;
    std::wstring pname;
};

TEST(ProcLine, FieldsCodesAndCounts)
{
    const std::string longName(4000, 'n');
    const LineCase cases[] = {
        {"PRA\t5\t3\t80\t100\t200\tTolvane.exe", LineAction::Add, 5, 3, 80, 100, 200,
         L"Tolvane.exe"},
        {"PRM\t5\t4\t-1\t-1\t-1\tsvchost.exe", LineAction::Modify, 5, 4, -1, -1, -1,
         L"svchost.exe"},
        {"PRD\t5\t3", LineAction::Delete, 5, 0, -1, -1, -1, L""},
        {"PRD\t-2\tx", LineAction::Delete, -2, 0, -1, -1, -1, L""},
        // Numbers as atoi reads them; beyond the int range the nearest end.
        {"PRA\tx\t\t12abc\t 7\t-0\tp.exe", LineAction::Add, 0, 0, 12, 7, 0, L"p.exe"},
        {"PRA\t99999999999\t-99999999999\t1\t1\t1\tp.exe", LineAction::Add, INT_MAX, INT_MIN, 1, 1,
         1, L"p.exe"},
        {"PRA\t1\t1\t1\t1\t1\t" + longName, LineAction::Add, 1, 1, 1, 1, 1,
         std::wstring(longName.begin(), longName.end())},
        // UTF-8 names become wide text.
        {"PRA\t1\t1\t1\t1\t1\t\xc3\xa9t\xc3\xa9.exe", LineAction::Add, 1, 1, 1, 1, 1,
         L"\u00e9t\u00e9.exe"},
        // Wrong counts, codes and shapes.
        {"PRD\t5", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"PRD\t5\t3\t1", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"PRA\t5\t3\t80\t100\t200", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"PRA\t5\t3\t80\t100\t200\tp.exe\textra", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        // A trailing TAB ends the line: the empty name is no field.
        {"PRA\t5\t3\t80\t100\t200\t", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"pra\t5\t3\t80\t100\t200\tp.exe", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"PRAX\t5\t3\t80\t100\t200\tp.exe", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"\t\t\t\t\t\t", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
        {"PRA", LineAction::Incorrect, 0, 0, -1, -1, -1, L""},
    };
    for (const LineCase& c : cases) {
        ProcLine line;
        SCOPED_TRACE(c.line.substr(0, 60));
        ASSERT_TRUE(ParseProcLine(c.line.c_str(), &line));
        EXPECT_EQ(c.action, line.action);
        EXPECT_EQ(c.tid, line.test.tid);
        EXPECT_EQ(c.lid, line.test.lid);
        EXPECT_EQ(c.maxCpu, line.test.limits.maxCpu);
        EXPECT_EQ(c.maxWss, line.test.limits.maxWss);
        EXPECT_EQ(c.maxPfs, line.test.limits.maxPfs);
        EXPECT_TRUE(c.pname == line.test.pname);
    }
}

TEST(ProcLine, NullOrEmptyIsNotRead)
{
    ProcLine line;
    EXPECT_FALSE(ParseProcLine(nullptr, &line));
    EXPECT_FALSE(ParseProcLine("", &line));
}

// The Init reply's list: the table's codes in its order.
TEST(ProcLine, CommandCodes)
{
    EXPECT_STREQ("PRAPRMPRD", ProcCommandCodes());
}

}  // namespace
