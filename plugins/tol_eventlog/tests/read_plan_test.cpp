#include "read_plan.h"
#include "event_types.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadPlan, WhereAPassStartsAndEnds)
{
    struct {
        const char* what;
        bool baseline;
        DWORD next, oldest, count;
        DWORD first, end;
        bool timeFilter, nothingNew;
    } const cases[] = {
        {"three new records", true, 8, 1, 10, 8, 11, false, false},
        {"nothing new", true, 11, 1, 10, 11, 11, false, true},
        {"empty log, test added on it", true, 0, 0, 0, 0, 0, false, true},
        {"cleared log: next beyond the end", true, 40, 1, 3, 1, 4, true, false},
        {"cleared and empty", true, 40, 0, 0, 0, 0, true, true},
        {"wrapped log: next below the oldest", true, 5, 9, 4, 9, 13, false, false},
        {"first record after an empty log", true, 0, 1, 1, 1, 2, false, false},
        {"no baseline yet", false, 0, 20, 5, 20, 25, true, false},
    };
    for (const auto& c : cases) {
        ReadPlan plan = PlanRead(c.baseline, c.next, c.oldest, c.count);
        EXPECT_EQ(c.first, plan.first) << c.what;
        EXPECT_EQ(c.end, plan.end) << c.what;
        EXPECT_EQ(c.timeFilter, plan.timeFilter) << c.what;
        EXPECT_EQ(c.nothingNew, plan.NothingNew()) << c.what;
    }
}

TEST(EventTypes, ListsAndCodes)
{
    std::vector<short> types;
    EXPECT_FALSE(ParseEventTypes(nullptr, &types));
    EXPECT_FALSE(ParseEventTypes("", &types));
    EXPECT_TRUE(types.empty());
    EXPECT_FALSE(HasEventType(types, 0));  // an empty list reports nothing

    ASSERT_TRUE(ParseEventTypes("1,2,x,16,65537", &types));
    EXPECT_EQ((std::vector<short>{1, 2, 0, 16, 1}), types);  // atoi, then 16 bits
    EXPECT_TRUE(HasEventType(types, EVENTLOG_AUDIT_FAILURE));
    EXPECT_TRUE(HasEventType(types, EVENTLOG_SUCCESS));
    EXPECT_FALSE(HasEventType(types, EVENTLOG_INFORMATION_TYPE));

    ASSERT_TRUE(ParseEventTypes("4,", &types));  // a trailing comma adds no field
    EXPECT_EQ((std::vector<short>{4}), types);

    const struct {
        WORD type;
        unsigned code;
    } codes[] = {{0, 1}, {1, 2}, {2, 3}, {4, 4}, {8, 5}, {16, 6}, {3, 0}, {32, 0}, {0xFFFF, 0}};
    for (const auto& c : codes)
        EXPECT_EQ(c.code, EventTypeCode(c.type)) << c.type;
}

}  // namespace
