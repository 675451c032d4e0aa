#include "http_test_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

HttpTest MakeTest(unsigned int id, const char* path = "/", int timeout = 5)
{
    HttpTest test;
    test.testId = id;
    test.locationId = 4;
    test.host = "127.0.22.1";
    test.path = path;
    test.timeout = timeout;
    return test;
}

std::vector<unsigned int> Ids(const HttpTestCopies& copies)
{
    std::vector<unsigned int> ids;
    for (const auto& copy : copies)
        ids.push_back(copy->testId);
    return ids;
}

TEST(HttpTestList, AddTakesAnyNonZeroIdOnce)
{
    CHttpTestList list;
    EXPECT_TRUE(list.Add(MakeTest(5)));
    EXPECT_TRUE(list.Add(MakeTest(static_cast<unsigned int>(-3))));
    EXPECT_FALSE(list.Add(MakeTest(0)));
    EXPECT_FALSE(list.Add(MakeTest(5, "/other")));  // the id is taken: nothing changes
    EXPECT_EQ(2u, list.Size());
    EXPECT_EQ("/", list.Find(5)->path);
}

TEST(HttpTestList, ModifyReplacesEveryFieldOfAKnownTest)
{
    CHttpTestList list;
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
    CHttpTestList list;
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
    CHttpTestList list;
    list.Add(MakeTest(1));
    list.Add(MakeTest(2));
    EXPECT_EQ((std::vector<unsigned int>{1, 2}), Ids(list.TakePass(true)));
    EXPECT_TRUE(Ids(list.TakePass(true)).empty());
    list.Add(MakeTest(3));
    list.Modify(MakeTest(1, "/again"));
    HttpTestCopies copies = list.TakePass(true);
    EXPECT_EQ((std::vector<unsigned int>{1, 3}), Ids(copies));
    EXPECT_EQ("/again", copies[0]->path);
    list.Add(MakeTest(4));
    EXPECT_EQ((std::vector<unsigned int>{1, 2, 3, 4}), Ids(list.TakePass(false)));
    EXPECT_TRUE(Ids(list.TakePass(true)).empty());  // the timer pass took 4's change too
}

TEST(HttpTestList, CopiesStayAsTakenWhenTheListChanges)
{
    CHttpTestList list;
    list.Add(MakeTest(1, "/first"));
    HttpTestCopies copies = list.TakePass(false);
    list.Modify(MakeTest(1, "/second"));
    list.Remove(1);
    list.Clear();
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ("/first", copies[0]->path);
}

}  // namespace
