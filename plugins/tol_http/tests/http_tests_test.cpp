// The HTTP tests in the framework's list: the ids an add, a modify and a delete take, and
// what a modify carries over.
#include "http_test_def.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_list.h"

namespace {

using HttpTestList = CTestList<HttpTest>;
using AddOutcome = HttpTestList::AddOutcome;

HttpTest MakeTest(unsigned int id, const char* path = "/", int timeout = 5)
{
    HttpTest test;
    test.tid = id;
    test.lid = 4;
    test.host = "127.0.22.1";
    test.path = path;
    test.timeout = timeout;
    return test;
}

std::vector<unsigned int> Ids(const HttpTestList::Tests& copies)
{
    std::vector<unsigned int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->tid);
    return ids;
}

TEST(HttpTestList, AddTakesAnyNonZeroIdOnce)
{
    HttpTestList list;
    EXPECT_EQ(AddOutcome::Added, list.Add(MakeTest(5)));
    EXPECT_EQ(AddOutcome::Added, list.Add(MakeTest(static_cast<unsigned int>(-3))));
    EXPECT_EQ(AddOutcome::Refused, list.Add(MakeTest(0)));
    EXPECT_EQ(AddOutcome::Duplicate, list.Add(MakeTest(5, "/other")));  // the id is taken
    EXPECT_EQ(2u, list.Size());
    EXPECT_EQ("/", list.Find(5)->path);
}

TEST(HttpTestList, ModifyReplacesEveryFieldOfAKnownTest)
{
    HttpTestList list;
    list.Add(MakeTest(5));
    HttpTest changed = MakeTest(5, "/new", 9);
    changed.secure = true;
    changed.matchText = "found";
    changed.port = 8443;
    EXPECT_TRUE(list.Modify(changed));
    const HttpTest* test = list.Find(5);
    EXPECT_EQ("/new", test->path);
    EXPECT_EQ(9, test->timeout);
    EXPECT_TRUE(test->secure);
    EXPECT_EQ("found", test->matchText);
    EXPECT_EQ(8443, test->port);
    EXPECT_FALSE(list.Modify(MakeTest(6)));
    EXPECT_EQ(1u, list.Size());
}

TEST(HttpTestList, RemoveTakesEveryIdAnAddTakesAndClosesTheGap)
{
    HttpTestList list;
    const unsigned int negative = static_cast<unsigned int>(-1);
    const unsigned int high = 0x80000000u;
    for (unsigned int id : {1u, 2u, 3u, negative, high})
        list.Add(MakeTest(id));
    EXPECT_FALSE(list.Remove(0));
    EXPECT_FALSE(list.Remove(9));
    EXPECT_TRUE(list.Remove(2));
    EXPECT_TRUE(list.Remove(negative));  // a line's "-1"
    EXPECT_TRUE(list.Remove(high));      // a line's "-2147483648"
    EXPECT_EQ((std::vector<unsigned int>{1, 3}), Ids(list.TakePass(false)));
}

TEST(HttpTestList, ATimerPassTakesEveryTestACheckNowPassOnlyTheChangedOnes)
{
    HttpTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<unsigned int>{1, 2}), Ids(list.TakePass(true)));
    EXPECT_TRUE(Ids(list.TakePass(true)).empty());
    list.Add(MakeTest(3));
    list.Modify(MakeTest(1, "/again"));
    HttpTestList::Tests copies = list.TakePass(true);
    EXPECT_EQ((std::vector<unsigned int>{1, 3}), Ids(copies));
    EXPECT_EQ("/again", copies[0]->path);
    list.Add(MakeTest(4));
    EXPECT_EQ((std::vector<unsigned int>{1, 2, 3, 4}), Ids(list.TakePass(false)));
    EXPECT_TRUE(Ids(list.TakePass(true)).empty());  // the timer pass took 4's change too
}

TEST(HttpTestList, CopiesStayAsTakenWhenTheListChanges)
{
    HttpTestList list;
    list.Add(MakeTest(1, "/first"));
    HttpTestList::Tests copies = list.TakePass(false);
    list.Modify(MakeTest(1, "/second"));
    list.Remove(1);
    list.Clear();
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ("/first", copies[0]->path);
}

}  // namespace
