#include "snmp_request.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using AddOutcome = SnmpTestList::AddOutcome;

SnmpTest MakeTest(int id, const char* host = "127.0.23.1")
{
    SnmpTest test;
    test.tid = id;
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
        ids.push_back(copy->tid);
    return ids;
}

TEST(SnmpTestList, AddKeepsOrderAndRefusesDuplicates)
{
    SnmpTestList list;
    EXPECT_EQ(AddOutcome::Added, list.Add(MakeTest(3)));
    EXPECT_EQ(AddOutcome::Added, list.Add(MakeTest(1)));
    EXPECT_NE(AddOutcome::Added, list.Add(MakeTest(3, "other")));
    EXPECT_EQ("127.0.23.1", list.Find(3)->host);
    EXPECT_EQ((std::vector<int>{3, 1}), Ids(TakeRequestPass(&list, false)));
}

TEST(SnmpTestList, ForcedPassTakesOnlyChangedTestsAndModifyKeepsTheFlag)
{
    SnmpTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(TakeRequestPass(&list, true)));
    EXPECT_TRUE(TakeRequestPass(&list, true).empty());
    list.Add(MakeTest(3));
    EXPECT_TRUE(list.Modify(MakeTest(1, "127.0.23.9")));  // no check-now: left for a timer pass
    EXPECT_EQ((std::vector<int>{3}), Ids(TakeRequestPass(&list, true)));
    SnmpTestCopies all = TakeRequestPass(&list, false);
    ASSERT_EQ((std::vector<int>{1, 2, 3}), Ids(all));
    EXPECT_EQ("127.0.23.9", all[0]->host);
    EXPECT_FALSE(list.Modify(MakeTest(9)));
}

TEST(SnmpTestList, CopiesAreDeepAndStartUnanswered)
{
    SnmpTestList list;
    list.Add(MakeTest(1));
    EXPECT_TRUE(MarkAnswered(&list, 1));
    EXPECT_FALSE(MarkAnswered(&list, 2));
    SnmpTestCopies copies = TakeRequestPass(&list, false);
    ASSERT_EQ(1u, copies.size());
    EXPECT_TRUE(list.Find(1)->answered);
    EXPECT_FALSE(copies[0]->answered);
    // A delete or modify during the pass leaves the copy as it was.
    list.Modify(MakeTest(1, "changed"));
    EXPECT_TRUE(list.Find(1)->answered);  // a modify keeps the mark
    list.Remove(1);
    EXPECT_EQ("127.0.23.1", copies[0]->host);
    EXPECT_EQ(0u, list.Size());
}

TEST(SnmpTestList, RemoveOfAnUnknownIdChangesNothing)
{
    SnmpTestList list;
    list.Add(MakeTest(1));
    EXPECT_FALSE(list.Remove(2));
    EXPECT_FALSE(list.Remove(-1));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_FALSE(list.Remove(1));
}

}  // namespace
