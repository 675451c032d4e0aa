#include "checker_timer.h"

#include <gtest/gtest.h>

TEST(RelativeDueTime, IsComputedInSixtyFourBits)
{
    EXPECT_EQ(RelativeDueTime(1), -10000000LL);
    EXPECT_EQ(RelativeDueTime(300), -3000000000LL);
    EXPECT_EQ(RelativeDueTime(86400), -864000000000LL);
}

TEST(CCheckerTimer, FiresOnceAfterItsDueTime)
{
    CCheckerTimer timer;
    ASSERT_TRUE(timer.Create());
    ASSERT_TRUE(timer.ArmSeconds(1));
    EXPECT_EQ(WaitForSingleObject(timer.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(timer.Handle(), 5000), WAIT_OBJECT_0);
    // Manual reset: it stays signalled until armed again.
    EXPECT_EQ(WaitForSingleObject(timer.Handle(), 0), WAIT_OBJECT_0);
    ASSERT_TRUE(timer.ArmSeconds(300));
    EXPECT_EQ(WaitForSingleObject(timer.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(CCheckerTimer, ArmWithoutCreateFails)
{
    CCheckerTimer timer;
    EXPECT_FALSE(timer.ArmSeconds(1));
}
