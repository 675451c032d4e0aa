#include "sampler_thread.h"

#include <gtest/gtest.h>

namespace {

struct Runs {
    LONG count = 0;
    HANDLE ran = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Runs() { CloseHandle(ran); }

    static void Routine(void* context)
    {
        auto* runs = static_cast<Runs*>(context);
        InterlockedIncrement(&runs->count);
        SetEvent(runs->ran);
    }
};

TEST(SamplerThread, RunsTheRoutineAgainAndAgainUntilStopped)
{
    Runs runs;
    CSamplerThread sampler;
    ASSERT_TRUE(sampler.Start(&Runs::Routine, &runs));
    EXPECT_FALSE(sampler.Start(&Runs::Routine, &runs));  // one thread at a time
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(runs.ran, 30000)) << "run " << i;
    sampler.Stop();
    EXPECT_FALSE(sampler.Running());
    ResetEvent(runs.ran);
    LONG after = runs.count;
    EXPECT_GE(after, 2);
    // Stopped means ended: the routine does not run again.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(runs.ran, 1500));
    EXPECT_EQ(after, runs.count);
}

TEST(SamplerThread, StopRightAfterStartEndsTheThread)
{
    Runs runs;
    {
        CSamplerThread sampler;
        ASSERT_TRUE(sampler.Start(&Runs::Routine, &runs));
    }  // the destructor stops it, before its first second is over or after
    ResetEvent(runs.ran);
    LONG after = runs.count;
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(runs.ran, 1500));
    EXPECT_EQ(after, runs.count);
}

}  // namespace
