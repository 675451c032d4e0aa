// The ping tests' list rules: CTestList with the ping hooks, and the delete rule of the checker.
#include "ICMPchecker.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using List = CTestList<PingTest>;
using Outcome = List::AddOutcome;

PingTest MakeTest(int id, const char* host = "127.0.0.1", int count = 4)
{
    PingTest test;
    test.tid = id;
    test.host = host;
    test.count = count;
    test.dataSize = 32;
    test.timeout = 1000;
    test.maximumLost = -1;
    test.lid = 9;
    return test;
}

std::vector<int> Ids(const List::Tests& copies)
{
    std::vector<int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->tid);
    return ids;
}

// The checker's list, seen from a test.
class CCountingChecker : public CICMPchecker<CRecordingOwner> {
public:
    size_t Size()
    {
        CScopedLock lock(m_testLock);
        return m_tests.Size();
    }
};

TEST(PingTestList, AddAcceptsAnyIdButNeedsAHost)
{
    struct {
        int id;
        const char* host;
        bool accepted;
    } const cases[] = {{1, "h", true}, {0, "h", true}, {-7, "h", true}, {2, "", false}};
    for (const auto& c : cases) {
        List list;
        EXPECT_EQ(c.accepted ? Outcome::Added : Outcome::Refused, list.Add(MakeTest(c.id, c.host)))
            << c.id;
        EXPECT_EQ(c.accepted, list.Find(c.id) != nullptr) << c.id;

        CCountingChecker checker;
        EXPECT_EQ(c.accepted, checker.AddTest(MakeTest(c.id, c.host))) << c.id;
        EXPECT_EQ(c.accepted ? 1u : 0u, checker.Size()) << c.id;
    }
}

TEST(PingTestList, SecondAddOfAnIdLeavesTheFirst)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(3, "first", 2)));
    EXPECT_EQ(Outcome::Duplicate, list.Add(MakeTest(3, "second", 5)));
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ("first", list.Find(3)->host);
    EXPECT_EQ(2, list.Find(3)->count);
}

TEST(PingTestList, ModifyReplacesTheParametersAndKeepsTheNewFlag)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(4)));
    PingTest change = MakeTest(4, "other", 6);
    change.dataSize = 100;
    change.timeout = 200;
    change.maximumLost = 3;
    change.lid = 11;
    EXPECT_TRUE(list.Modify(change));
    const PingTest* test = list.Find(4);
    EXPECT_EQ("other", test->host);
    EXPECT_EQ(6, test->count);
    EXPECT_EQ(100, test->dataSize);
    EXPECT_EQ(200, test->timeout);
    EXPECT_EQ(3, test->maximumLost);
    EXPECT_EQ(11, test->lid);
    EXPECT_TRUE(list.IsNew(4));
    EXPECT_FALSE(list.Modify(MakeTest(5)));

    list.TakePass(false);
    EXPECT_TRUE(list.Modify(change));
    EXPECT_FALSE(list.IsNew(4));
}

TEST(PingTestList, ModifyWithAnEmptyHostLeavesTheTestWithoutOne)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(4)));
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
        CCountingChecker checker;
        for (int id : {0, -1, 2})
            ASSERT_TRUE(checker.AddTest(MakeTest(id)));
        EXPECT_EQ(c.answer, checker.RemoveTest(c.id)) << c.id;
        EXPECT_EQ(c.left, checker.Size()) << c.id;
    }
}

TEST(PingTestList, CheckNowPassTakesOnlyNewTestsAndTimerPassTakesAll)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(1)));
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(2)));
    EXPECT_EQ((std::vector<int>{1, 2}), Ids(list.TakePass(true)));
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(3)));
    EXPECT_EQ((std::vector<int>{3}), Ids(list.TakePass(true)));
    EXPECT_TRUE(list.TakePass(true).empty());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Ids(list.TakePass(false)));
}

TEST(PingTestList, TimerPassClearsTheNewFlags)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(1)));
    EXPECT_EQ(1u, list.TakePass(false).size());
    EXPECT_TRUE(list.TakePass(true).empty());
}

TEST(PingTestList, CopiesStayWhenTheListChanges)
{
    List list;
    ASSERT_EQ(Outcome::Added, list.Add(MakeTest(1, "kept")));
    List::Tests copies = list.TakePass(false);
    list.Clear();
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ("kept", copies[0]->host);
    EXPECT_EQ(0u, list.Size());
}

}  // namespace
