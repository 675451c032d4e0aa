#include "ping_test_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

PingTest MakeTest(int id, const char* host = "127.0.0.1", int count = 4)
{
    PingTest test;
    test.testId = id;
    test.host = host;
    test.count = count;
    test.dataSize = 32;
    test.timeout = 1000;
    test.maximumLost = -1;
    test.locationId = 9;
    return test;
}

std::vector<int> Ids(const PingTestCopies& copies)
{
    std::vector<int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->testId);
    return ids;
}

TEST(PingTestList, AddAcceptsAnyIdButNeedsAHost)
{
    struct {
        int id;
        const char* host;
        bool accepted;
    } const cases[] = {{1, "h", true}, {0, "h", true}, {-7, "h", true}, {2, "", false}};
    for (const auto& c : cases) {
        CPingTestList list;
        bool added = false;
        EXPECT_EQ(c.accepted, list.Add(MakeTest(c.id, c.host), &added)) << c.id;
        EXPECT_EQ(c.accepted, added) << c.id;
        EXPECT_EQ(c.accepted, list.Find(c.id) != nullptr) << c.id;
    }
}

TEST(PingTestList, SecondAddOfAnIdLeavesTheFirst)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(3, "first", 2), &added));
    EXPECT_TRUE(list.Add(MakeTest(3, "second", 5), &added));
    EXPECT_FALSE(added);
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ("first", list.Find(3)->host);
    EXPECT_EQ(2, list.Find(3)->count);
}

TEST(PingTestList, ModifyReplacesTheParametersAndKeepsTheNewFlag)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(4), &added));
    PingTest change = MakeTest(4, "other", 6);
    change.dataSize = 100;
    change.timeout = 200;
    change.maximumLost = 3;
    change.locationId = 11;
    EXPECT_TRUE(list.Modify(change));
    const PingTest* test = list.Find(4);
    EXPECT_EQ("other", test->host);
    EXPECT_EQ(6, test->count);
    EXPECT_EQ(100, test->dataSize);
    EXPECT_EQ(200, test->timeout);
    EXPECT_EQ(3, test->maximumLost);
    EXPECT_EQ(11, test->locationId);
    EXPECT_TRUE(test->isNew);
    EXPECT_FALSE(list.Modify(MakeTest(5)));
}

TEST(PingTestList, ModifyWithAnEmptyHostLeavesTheTestWithoutOne)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(4), &added));
    EXPECT_TRUE(list.Modify(MakeTest(4, "")));
    EXPECT_EQ("", list.Find(4)->host);
}

TEST(PingTestList, RemoveNeedsAnIdAboveZero)
{
    struct {
        int id;
        bool answer;
        size_t left;
    } const cases[] = {{0, false, 3}, {-1, false, 3}, {8, true, 3}, {2, true, 2}};
    for (const auto& c : cases) {
        CPingTestList list;
        bool added = false;
        for (int id : {0, -1, 2})
            ASSERT_TRUE(list.Add(MakeTest(id), &added));
        EXPECT_EQ(c.answer, list.Remove(c.id)) << c.id;
        EXPECT_EQ(c.left, list.Size()) << c.id;
    }
}

TEST(PingTestList, CheckNowPassTakesOnlyNewTestsAndTimerPassTakesAll)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(1), &added));
    ASSERT_TRUE(list.Add(MakeTest(2), &added));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(list.TakePass(true)));
    ASSERT_TRUE(list.Add(MakeTest(3), &added));
    EXPECT_EQ((std::vector<int>{3}), Ids(list.TakePass(true)));
    EXPECT_TRUE(list.TakePass(true).empty());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Ids(list.TakePass(false)));
}

TEST(PingTestList, TimerPassClearsTheNewFlags)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(1), &added));
    EXPECT_EQ(1u, list.TakePass(false).size());
    EXPECT_TRUE(list.TakePass(true).empty());
}

TEST(PingTestList, CopiesStayWhenTheListChanges)
{
    CPingTestList list;
    bool added = false;
    ASSERT_TRUE(list.Add(MakeTest(1, "kept"), &added));
    PingTestCopies copies = list.TakePass(false);
    list.Clear();
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ("kept", copies[0]->host);
    EXPECT_EQ(0u, list.Size());
}

}  // namespace
