#include "thread_group.h"

#include <gtest/gtest.h>

#include <memory>

#include "thread_starters.h"

namespace {

// Threads that each wait for the test's release event, then count themselves out.
struct Gate {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG ended = 0;
    ~Gate() { CloseHandle(release); }
};

DWORD WINAPI WaitAtGate(void* param)
{
    Gate* gate = static_cast<Gate*>(param);
    WaitForSingleObject(gate->release, INFINITE);
    InterlockedIncrement(&gate->ended);
    return 0;
}

// Releases the gate from a thread of its own once every thread of the group is running.
DWORD WINAPI OpenGateLater(void* param)
{
    Gate* gate = static_cast<Gate*>(param);
    Sleep(50);
    SetEvent(gate->release);
    return 0;
}

}  // namespace

TEST(ThreadGroup, JoinAllReturnsOnlyWhenEveryThreadOfEveryGroupHasEnded)
{
    // More than three groups of 64, the last one partly filled.
    for (size_t threads : {1u, 64u, 65u, 200u}) {
        Gate gate;
        CThreadGroup group;
        for (size_t i = 0; i < threads; ++i)
            ASSERT_TRUE(group.Start(WaitAtGate, &gate));
        EXPECT_EQ(group.Size(), threads);
        HANDLE opener = CreateThread(nullptr, 0, OpenGateLater, &gate, 0, nullptr);
        ASSERT_NE(opener, nullptr);
        group.JoinAll();
        EXPECT_EQ(gate.ended, static_cast<LONG>(threads)) << threads << " threads";
        EXPECT_EQ(group.Size(), 0u);
        WaitForSingleObject(opener, INFINITE);
        CloseHandle(opener);
    }
}

TEST(ThreadGroup, AnEmptyGroupDoesNotWait)
{
    CThreadGroup group;
    group.JoinAll();
    EXPECT_EQ(group.Size(), 0u);
}

TEST(ThreadGroup, TheDestructorWaitsForThreadsNotWaitedFor)
{
    Gate gate;
    {
        CThreadGroup group;
        for (int i = 0; i < 70; ++i)
            ASSERT_TRUE(group.Start(WaitAtGate, &gate));
        SetEvent(gate.release);
    }
    EXPECT_EQ(gate.ended, 70);
}

namespace {

struct Counted {
    LONG* runs;
};

struct Runner {
    LONG runs = 0;
};

void CountRun(Counted& item, Runner* owner)
{
    InterlockedIncrement(item.runs);
    (void)owner;
}

}  // namespace

// A thread that cannot be started leaves its item with the caller, with the error that says
// why, so the caller can report the test it could not measure; the threads that did start run.
TEST(ThreadGroup, AnItemWhoseThreadCannotStartStaysWithTheCaller)
{
    Runner runner;
    CThreadGroup group(&LimitedThreadStarter);
    ThreadStartsLeft() = 2;
    int kept = 0;
    for (int i = 0; i < 5; ++i) {
        std::unique_ptr<Counted> item(new Counted{&runner.runs});
        SetLastError(0);
        if (StartItemThread(&group, &item, &runner, &CountRun)) {
            EXPECT_EQ(item, nullptr);
            continue;
        }
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->runs, &runner.runs);
        ++kept;
    }
    EXPECT_EQ(group.Size(), 2u);
    group.JoinAll();
    EXPECT_EQ(runner.runs, 2);
    EXPECT_EQ(kept, 3);
}
