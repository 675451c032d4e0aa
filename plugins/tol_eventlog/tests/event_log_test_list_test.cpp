#include "event_log_test_list.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<EventLogTest> MakeTest(int id, DWORD next = 10)
{
    std::unique_ptr<EventLogTest> test(new EventLogTest);
    test->testId = id;
    test->logName = L"Application";
    test->nextRecord = next;
    test->baselineTaken = true;
    test->eventTypes = {1, 2};
    return test;
}

std::vector<int> Ids(const EventLogTestCopies& copies)
{
    std::vector<int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->testId);
    return ids;
}

TEST(EventLogTestList, SecondTestOfAnIdIsRefused)
{
    CEventLogTestList list;
    EXPECT_TRUE(list.Add(MakeTest(3, 10)));
    EXPECT_FALSE(list.Add(MakeTest(3, 99)));
    EXPECT_FALSE(list.Add(nullptr));
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ(10u, list.Find(3)->nextRecord);
    EXPECT_FALSE(list.IsNewTestId(3));
    EXPECT_TRUE(list.IsNewTestId(4));
}

TEST(EventLogTestList, RemoveAndClear)
{
    CEventLogTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_FALSE(list.Remove(7));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_FALSE(list.Remove(1));
    EXPECT_EQ(1u, list.Size());
    list.Clear();
    EXPECT_EQ(0u, list.Size());
}

TEST(EventLogTestList, CheckNowPassTakesOnlyNewTestsTimerPassTakesAll)
{
    CEventLogTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(list.TakePass(true)));
    list.Add(MakeTest(3));
    EXPECT_EQ((std::vector<int>{3}), Ids(list.TakePass(true)));
    EXPECT_TRUE(list.TakePass(true).empty());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Ids(list.TakePass(false)));
}

TEST(EventLogTestList, CopiesAreStampedAndIndependent)
{
    CEventLogTestList list;
    auto test = MakeTest(5, 42);
    test->timeStamp = 1;
    list.Add(std::move(test));
    long long before = CurrentTime1970();
    EventLogTestCopies copies = list.TakePass(false);
    ASSERT_EQ(1u, copies.size());
    EXPECT_GE(copies[0]->timeStamp, before);
    EXPECT_EQ(42u, copies[0]->nextRecord);
    EXPECT_EQ((std::vector<short>{1, 2}), copies[0]->eventTypes);
    EXPECT_EQ(L"Application", copies[0]->logName);

    list.UpdateNextRecord(5, 77);
    list.UpdateNextRecord(6, 1);  // no such test: nothing
    EXPECT_EQ(42u, copies[0]->nextRecord);
    EXPECT_EQ(77u, list.Find(5)->nextRecord);
    list.Remove(5);
    EXPECT_EQ(L"Application", copies[0]->logName);  // the copy outlives its test
}

}  // namespace
