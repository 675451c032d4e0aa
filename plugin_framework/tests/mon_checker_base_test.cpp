#include "mon_checker_base.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using FakeOwner = CRecordingOwner;

// A middle class that records its passes and can make them long.
class PassRecorder : public CMonCheckerBase<FakeOwner> {
public:
    PassRecorder() : m_passDone(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~PassRecorder() override
    {
        Stop();
        CloseHandle(m_passDone);
    }

    void Check(bool forced) override
    {
        InterlockedIncrement(&m_inPass);
        if (m_watchStop)
            WaitForStop(m_passMs);
        else
            Sleep(m_passMs);
        {
            CScopedLock lock(m_lock);
            m_kinds.push_back(forced);
        }
        InterlockedDecrement(&m_inPass);
        SetEvent(m_passDone);
    }

    // Waits for `count` passes in all (at most timeoutMs); the kinds of the passes so far.
    std::vector<bool> WaitPasses(size_t count, DWORD timeoutMs = 15000)
    {
        DWORD start = GetTickCount();
        for (;;) {
            {
                CScopedLock lock(m_lock);
                if (m_kinds.size() >= count || GetTickCount() - start > timeoutMs)
                    return m_kinds;
            }
            WaitForSingleObject(m_passDone, 100);
        }
    }

    void CheckNow() { SignalCheckNow(); }
    void SetPending(const std::string& bytes)
    {
        CScopedLock lock(m_pendingLock);
        m_pending = SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
    }
    bool PendingCleared()
    {
        CScopedLock lock(m_pendingLock);
        return m_pending == nullptr;
    }

    DWORD m_passMs = 0;
    bool m_watchStop = true;
    volatile LONG m_inPass = 0;

private:
    HANDLE m_passDone;
    CCriticalSection m_lock;
    std::vector<bool> m_kinds;
};

}  // namespace

TEST(CMonCheckerBase, StopWithoutStartDoesNothing)
{
    PassRecorder worker;
    worker.Stop();
    worker.Stop();
    EXPECT_TRUE(worker.WaitPasses(1, 0).empty());
}

TEST(CMonCheckerBase, StartTwiceKeepsOneThreadAndStopRightAfterStartEndsIt)
{
    PassRecorder worker;
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.Start());
    worker.Stop();
    // Stopped for good: it starts again afresh.
    ASSERT_TRUE(worker.Start());
    worker.CheckNow();
    EXPECT_EQ(worker.WaitPasses(1), std::vector<bool>{true});
    worker.Stop();
}

TEST(CMonCheckerBase, CheckNowRunsAForcedPass)
{
    PassRecorder worker;
    ASSERT_TRUE(worker.Start());
    worker.CheckNow();
    EXPECT_EQ(worker.WaitPasses(1), std::vector<bool>{true});
}

TEST(CMonCheckerBase, SetIntervalIgnoresZeroNegativeAndEqualValues)
{
    PassRecorder worker;
    EXPECT_EQ(worker.GetInterval(), 300);
    for (int seconds : {0, -5, 300}) {
        worker.SetInterval(seconds);
        EXPECT_EQ(worker.GetInterval(), 300) << seconds;
    }
    worker.SetInterval(7);
    EXPECT_EQ(worker.GetInterval(), 7);
}

TEST(CMonCheckerBase, ANewIntervalReArmsTheTimerFromNow)
{
    PassRecorder worker;
    ASSERT_TRUE(worker.Start());
    // Armed for 300 s; the new interval of 1 s gives timer passes long before that.
    worker.SetInterval(1);
    EXPECT_EQ(worker.WaitPasses(2), (std::vector<bool>{false, false}));
}

TEST(CMonCheckerBase, StopWaitsForALongPassThatDoesNotWatchTheStopEvent)
{
    PassRecorder worker;
    worker.m_passMs = 2500;  // longer than the first wait of Stop
    worker.m_watchStop = false;
    ASSERT_TRUE(worker.Start());
    worker.CheckNow();
    while (worker.m_inPass == 0)
        Sleep(10);
    worker.Stop();
    EXPECT_EQ(worker.m_inPass, 0);
    EXPECT_EQ(worker.WaitPasses(1, 0).size(), 1u);
}

TEST(CMonCheckerBase, APassThatWatchesTheStopEventEndsOnStop)
{
    PassRecorder worker;
    worker.m_passMs = 600000;
    ASSERT_TRUE(worker.Start());
    worker.CheckNow();
    while (worker.m_inPass == 0)
        Sleep(10);
    worker.Stop();
    EXPECT_EQ(worker.m_inPass, 0);
}

TEST(CMonCheckerBase, PostsGoToTheOwner)
{
    FakeOwner owner;
    PassRecorder worker;
    worker.m_owner = &owner;
    CComBSTR data;
    ASSERT_TRUE(data.AssignBytes("\x01\x02\x03", 3));
    worker.PostResult(&data, "new data");
    worker.PostEvent(4, "progress");
    EXPECT_EQ(owner.results, std::vector<std::string>{"\x01\x02\x03"});
    EXPECT_EQ(owner.descriptions, std::vector<std::string>{"new data"});
    EXPECT_EQ(owner.events, std::vector<std::string>{"4 progress"});
}

TEST(CMonCheckerBase, TakePendingHandsOverTheBytesOnce)
{
    PassRecorder worker;
    CComBSTR out;
    worker.TakePending(&out);
    EXPECT_TRUE(!out);

    const std::string bytes("a\0bcd", 5);
    worker.SetPending(bytes);
    worker.TakePending(&out);
    ASSERT_FALSE(!out);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Bytes()), out.ByteLength()), bytes);
    EXPECT_TRUE(worker.PendingCleared());
}
