#include "wall_stamp.h"

#include <gtest/gtest.h>

namespace {

TEST(WallStamp, MillisecondsBetweenTwoStamps)
{
    struct {
        WallStamp start;
        WallStamp end;
        int64_t expected;
    } const cases[] = {
        {{100, 250}, {100, 900}, 650},
        {{100, 900}, {102, 100}, 1200},
        {{1700000000, 999}, {1700000001, 0}, 1},
        // Only the low 32 bits of the seconds count.
        {{0xFFFFFFFFll, 0}, {0x100000000ll, 500}, 1500},
        {{0x1FFFFFFF0ll, 0}, {0x200000005ll, 0}, 21000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, MillisecondsBetween(&c.start, &c.end)) << c.start.seconds;
}

TEST(WallStamp, AMissingStartGivesZeroAMissingEndMeansNow)
{
    WallStamp end{500, 0};
    EXPECT_EQ(0, MillisecondsBetween(nullptr, &end));
    WallStamp start = TakeWallStamp();
    int64_t since = MillisecondsBetween(&start, nullptr);
    EXPECT_GE(since, 0);
    EXPECT_LT(since, 60000);
    EXPECT_GT(start.seconds, 1600000000);  // the stamp counts from 1970
    EXPECT_LT(start.milliseconds, 1000u);
}

}  // namespace
