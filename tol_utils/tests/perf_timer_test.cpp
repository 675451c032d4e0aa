#include "perf_timer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(CPerfTimer, HasAHighResolutionCounterAndASmallStartStopCost)
{
    CPerfTimer timer;
    EXPECT_TRUE(timer.IsSupported());
    EXPECT_GT(timer.Resolution(), 0.0);
    EXPECT_DOUBLE_EQ(timer.Resolutionms(), timer.Resolution() * 1000.0);
    EXPECT_DOUBLE_EQ(timer.Resolutionus(), timer.Resolution() * 1000000.0);
    EXPECT_LE(CPerfTimer::m_Adjust, 0);
    EXPECT_LT(-CPerfTimer::m_Adjust, CPerfTimer::m_Freq / 1000);  // well below a millisecond
}

TEST(CPerfTimer, BuiltStoppedUnlessAskedToStart)
{
    CPerfTimer stopped, running(1);
    EXPECT_FALSE(stopped.IsRunning());
    EXPECT_EQ(stopped.Elapsed(), 0.0);
    EXPECT_TRUE(running.IsRunning());
}

TEST(CPerfTimer, ReadingARunningTimerLeavesItRunningAndNeverGoesBack)
{
    CPerfTimer timer;
    timer.Start();
    double last = timer.Elapsedus();
    for (int i = 0; i < 1000; ++i) {
        double now = timer.Elapsedus();
        ASSERT_GE(now, last);
        last = now;
    }
    EXPECT_TRUE(timer.IsRunning());
    Sleep(20);
    EXPECT_GE(timer.Elapsedms(), 15.0);
    EXPECT_NEAR(timer.Elapsed() * 1000.0, timer.Elapsedms(), 5.0);
}

TEST(CPerfTimer, StopHoldsTheElapsedTimeAndASecondStopKeepsIt)
{
    CPerfTimer timer(1);
    Sleep(10);
    timer.Stop();
    EXPECT_FALSE(timer.IsRunning());
    double held = timer.Elapsedms();
    EXPECT_GE(held, 8.0);
    Sleep(10);
    timer.Stop();
    EXPECT_EQ(timer.Elapsedms(), held);
}

TEST(CPerfTimer, StartWithZeroResumesAndNonzeroRestarts)
{
    CPerfTimer wall(1), timer(1);
    Sleep(20);
    timer.Stop();
    double first = timer.Elapsedms();
    Sleep(30);  // not counted: the timer stands
    timer.Start(0);
    Sleep(20);
    timer.Stop();
    wall.Stop();
    double both = timer.Elapsedms();
    EXPECT_GE(both, first + 15.0);
    EXPECT_GE(wall.Elapsedms() - both, 25.0);  // the standing interval is not in it

    timer.Start(1);
    timer.Stop();
    EXPECT_LT(timer.Elapsedms(), first);
}

TEST(CPerfTimer, CopiesCarryTheCounter)
{
    CPerfTimer timer(1);
    Sleep(5);
    timer.Stop();
    CPerfTimer copy(timer), assigned;
    assigned = timer;
    EXPECT_EQ(copy.Elapsedus(), timer.Elapsedus());
    EXPECT_EQ(assigned.Elapsedus(), timer.Elapsedus());
}

}  // namespace
