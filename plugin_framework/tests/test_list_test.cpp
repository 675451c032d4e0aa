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

// A test type with rules of its own: a negative id is refused, and a modify makes the test new
// again only when its value changed.
struct RuledTest {
    int tid = 0;
    std::string value;
};

}  // namespace

template <>
struct CTestListHooks<RuledTest> {
    static bool Accepts(const RuledTest& test) { return test.tid >= 0; }
    static bool TakesId(int tid) { return tid >= 0; }
    static bool Modify(RuledTest* entry, const RuledTest& from)
    {
        bool changed = entry->value != from.value;
        entry->value = from.value;
        return changed;
    }
};

namespace {

std::vector<int> PassIds(CTestList<RuledTest>& list, bool forced)
{
    std::vector<int> ids;
    for (const auto& copy : list.TakePass(forced))
        ids.push_back(copy->tid);
    return ids;
}

TEST(TestList, AForcedPassTakesOnlyTheNewTestsAndEveryPassEndsTheirNewness)
{
    CTestList<RuledTest> list;
    list.Add({1, "a"});
    list.Add({2, "b"});
    EXPECT_EQ((std::vector<int>{1, 2}), PassIds(list, true));
    EXPECT_EQ((std::vector<int>{}), PassIds(list, true));
    list.Add({3, "c"});
    EXPECT_TRUE(list.IsNew(3));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), PassIds(list, false));  // a timer pass takes all
    EXPECT_FALSE(list.IsNew(3));
    EXPECT_EQ((std::vector<int>{}), PassIds(list, true));

    // A removal keeps the others' flags in their places.
    list.Add({4, "d"});
    list.Add({5, "e"});
    EXPECT_TRUE(list.Remove(1));
    EXPECT_EQ((std::vector<int>{4, 5}), PassIds(list, true));
}

TEST(TestList, APassThatStopsLeavesTheRestNew)
{
    CTestList<RuledTest> list;
    for (int tid = 1; tid <= 4; ++tid)
        list.Add({tid, "x"});
    std::vector<int> seen;
    list.ForPass(true, [&seen](RuledTest& test) {
        seen.push_back(test.tid);
        return test.tid < 2;
    });
    EXPECT_EQ((std::vector<int>{1, 2}), seen);
    EXPECT_EQ((std::vector<int>{3, 4}), PassIds(list, true));
}

TEST(TestList, TheHooksDecideWhatAnAddTakesAndWhetherAModifyMakesATestNew)
{
    CTestList<RuledTest> list;
    using Outcome = CTestList<RuledTest>::AddOutcome;
    EXPECT_EQ(Outcome::Refused, list.Add({-1, "a"}));
    EXPECT_EQ(0u, list.Size());
    EXPECT_EQ(Outcome::Added, list.Add({1, "a"}));
    PassIds(list, false);
    EXPECT_TRUE(list.Modify({1, "a"}));
    EXPECT_FALSE(list.IsNew(1));
    EXPECT_TRUE(list.Modify({1, "b"}));
    EXPECT_TRUE(list.IsNew(1));
    EXPECT_EQ("b", list.Find(1)->value);
}

}  // namespace
