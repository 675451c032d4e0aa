// The event-log tests in the framework's list: the ids and tests an add takes, and the pass rule
// (a check-now pass takes only the new tests; afterwards no test is new).
#include "event_log_watch.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_list.h"

namespace {

using EventLogTestList = CTestList<EventLogTest>;
using AddOutcome = EventLogTestList::AddOutcome;

EventLogTest MakeTest(int id, DWORD next = 10)
{
    EventLogTest test;
    test.tid = id;
    test.line.logName = "Application";
    test.logName = L"Application";
    test.nextRecord = next;
    test.baselineTaken = true;
    test.eventTypes = {1, 2};
    return test;
}

std::vector<int> Ids(const EventLogTestList::Tests& copies)
{
    std::vector<int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->tid);
    return ids;
}

TEST(EventLogTestList, SecondTestOfAnIdIsRefused)
{
    EventLogTestList list;
    EXPECT_EQ(AddOutcome::Added, list.Add(MakeTest(3, 10)));
    EXPECT_EQ(AddOutcome::Duplicate, list.Add(MakeTest(3, 99)));
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ(10u, list.Find(3)->nextRecord);
    EXPECT_EQ(nullptr, list.Find(4));
}

TEST(EventLogTestList, AnAddNeedsAnIdOfOneOrMoreAndALogName)
{
    EventLogTestList list;
    EXPECT_EQ(AddOutcome::Refused, list.Add(MakeTest(0)));
    EXPECT_EQ(AddOutcome::Refused, list.Add(MakeTest(-4)));
    EventLogTest unnamed = MakeTest(5);
    unnamed.line.logName.clear();
    EXPECT_EQ(AddOutcome::Refused, list.Add(unnamed));
    EXPECT_EQ(0u, list.Size());
}

TEST(EventLogTestList, RemoveAndClear)
{
    EventLogTestList list;
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
    EventLogTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(list.TakePass(true)));
    list.Add(MakeTest(3));
    EXPECT_EQ((std::vector<int>{3}), Ids(list.TakePass(true)));
    EXPECT_TRUE(list.TakePass(true).empty());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Ids(list.TakePass(false)));
    list.Add(MakeTest(4));
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), Ids(list.TakePass(false)));
    EXPECT_TRUE(list.TakePass(true).empty());  // the timer pass took 4 too
}

TEST(EventLogTestList, CopiesAreIndependent)
{
    EventLogTestList list;
    list.Add(MakeTest(5, 42));
    EventLogTestList::Tests copies = list.TakePass(false);
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ(42u, copies[0]->nextRecord);
    EXPECT_EQ((std::vector<short>{1, 2}), copies[0]->eventTypes);
    EXPECT_EQ(L"Application", copies[0]->logName);

    list.Find(5)->nextRecord = 77;
    EXPECT_EQ(42u, copies[0]->nextRecord);
    list.Remove(5);
    EXPECT_EQ(L"Application", copies[0]->logName);  // the copy outlives its test
}

}  // namespace
