// CTestList: tests kept in the order they were added, keyed by their test id.
#include "test_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SampleTest {
    int tid = 0;
    std::string value;
};

std::vector<std::string> Contents(const CTestList<SampleTest>& list)
{
    std::vector<std::string> out;
    for (const auto& test : list)
        out.push_back(std::to_string(test->tid) + "=" + test->value);
    return out;
}

TEST(TestList, AddModifyRemoveKeepTheOrder)
{
    CTestList<SampleTest> list;
    using Outcome = CTestList<SampleTest>::AddOutcome;
    EXPECT_EQ(Outcome::Added, list.Add({3, "a"}));
    EXPECT_EQ(Outcome::Added, list.Add({1, "b"}));
    EXPECT_EQ(Outcome::Added, list.Add({2, "c"}));
    EXPECT_EQ(Outcome::Duplicate, list.Add({1, "changed"}));
    EXPECT_EQ((std::vector<std::string>{"3=a", "1=b", "2=c"}), Contents(list));

    EXPECT_TRUE(list.Modify({1, "d"}));
    EXPECT_FALSE(list.Modify({7, "e"}));
    EXPECT_EQ((std::vector<std::string>{"3=a", "1=d", "2=c"}), Contents(list));

    EXPECT_TRUE(list.Remove(3));
    EXPECT_FALSE(list.Remove(3));
    EXPECT_EQ((std::vector<std::string>{"1=d", "2=c"}), Contents(list));
    ASSERT_NE(nullptr, list.Find(2));
    EXPECT_EQ("c", list.Find(2)->value);
    EXPECT_EQ(nullptr, list.Find(3));

    list.Clear();
    EXPECT_EQ(0u, list.Size());
    EXPECT_EQ(Outcome::Added, list.Add({3, "again"}));
}

}  // namespace
