#include "snmp_test_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SnmpTest MakeTest(int id, const char* host = "127.0.23.1")
{
    SnmpTest test;
    test.testId = id;
    test.host = host;
    test.port = 161;
    test.timeout = 1;
    test.retries = 1;
    return test;
}

std::vector<int> Ids(const SnmpTestCopies& copies)
{
    std::vector<int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->testId);
    return ids;
}

TEST(SnmpTestList, AddKeepsOrderAndRefusesDuplicates)
{
    CSnmpTestList list;
    EXPECT_TRUE(list.Add(MakeTest(3)));
    EXPECT_TRUE(list.Add(MakeTest(1)));
    EXPECT_FALSE(list.Add(MakeTest(3, "other")));
    EXPECT_EQ("127.0.23.1", list.Find(3)->host);
    EXPECT_EQ((std::vector<int>{3, 1}), Ids(list.TakePass(false)));
}

TEST(SnmpTestList, ForcedPassTakesOnlyChangedTestsAndModifyKeepsTheFlag)
{
    CSnmpTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(list.TakePass(true)));
    EXPECT_TRUE(list.TakePass(true).empty());
    list.Add(MakeTest(3));
    EXPECT_TRUE(list.Modify(MakeTest(1, "127.0.23.9")));  // no check-now: left for a timer pass
    EXPECT_EQ((std::vector<int>{3}), Ids(list.TakePass(true)));
    SnmpTestCopies all = list.TakePass(false);
    ASSERT_EQ((std::vector<int>{1, 2, 3}), Ids(all));
    EXPECT_EQ("127.0.23.9", all[0]->host);
    EXPECT_FALSE(list.Modify(MakeTest(9)));
}

TEST(SnmpTestList, CopiesAreDeepAndStartUnanswered)
{
    CSnmpTestList list;
    list.Add(MakeTest(1));
    EXPECT_TRUE(list.MarkAnswered(1));
    EXPECT_FALSE(list.MarkAnswered(2));
    SnmpTestCopies copies = list.TakePass(false);
    ASSERT_EQ(1u, copies.size());
    EXPECT_TRUE(list.Find(1)->answered);
    EXPECT_FALSE(copies[0]->answered);
    EXPECT_TRUE(copies[0]->changed);
    // A delete or modify during the pass leaves the copy as it was.
    list.Modify(MakeTest(1, "changed"));
    EXPECT_TRUE(list.Find(1)->answered);  // a modify keeps the mark
    list.Remove(1);
    EXPECT_EQ("127.0.23.1", copies[0]->host);
    EXPECT_EQ(0u, list.Size());
}

TEST(SnmpTestList, RemoveOfAnUnknownIdChangesNothing)
{
    CSnmpTestList list;
    list.Add(MakeTest(1));
    EXPECT_FALSE(list.Remove(2));
    EXPECT_FALSE(list.Remove(-1));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_FALSE(list.Remove(1));
}

}  // namespace
