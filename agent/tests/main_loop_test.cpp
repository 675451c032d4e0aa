// The main worker thread's timer loop: the wait of each cycle and what one tick does.
#include "agent_texts.h"
#include "engine_fixture.h"

#include <atomic>

namespace {

TEST(MainLoopWait, PeriodLessElapsedAtLeastOneSecond)
{
    struct Case {
        long period;
        unsigned long elapsed;
        unsigned long wait;
    } cases[] = {
        {60, 0, 60}, {60, 59, 1}, {60, 60, 1},  {60, 61, 1},           {60, 3, 57}, {2, 1, 1},
        {2, 0, 2},   {1, 0, 1},   {30, 100, 1}, {-1, 0, 0xFFFFFFFFul},  // a negative period waits
                                                                        // as a very large one
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainLoopWaitSeconds(c.period, c.elapsed), c.wait)
            << c.period << " s, " << c.elapsed << " s gone";
}

// What the loop did, in order: "login" (not authorized), "send" (authorized), "get".
struct LoopJournal {
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<long> periodsAtExchange;
    void Add(const std::string& e)
    {
        std::lock_guard<std::mutex> guard(mutex);
        events.push_back(e);
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return events.size();
    }
};

class MainLoopTest : public EngineTest {};

TEST_F(MainLoopTest, LoginUntilAuthorizedThenCollectAndSend)
{
    LoopJournal journal;
    CScriptedLink link;
    CFakePlugIn plugIn;
    plugIn.m_pending = "result bytes";
    int logins = 0;
    link.m_onSend = [&](CMainWorker& engine) {
        journal.periodsAtExchange.push_back(engine.GetPollPeriod());
        if (engine.IsAuthorized()) {
            journal.Add("send");
            return;
        }
        journal.Add("login");
        engine.SetPollPeriod(1);  // keep the test short
        if (++logins == 2)
            engine.SetAuthorized(true);
    };
    CTestEngine engine;
    engine.SetServerLink(&link);
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));
    engine.AppendEntry(FakeEntry(&plugIn, "MMA"));
    ASSERT_TRUE(WaitUntil([&] { return journal.Count() >= 3; }));
    ASSERT_TRUE(engine.StopMonitoring(nullptr));

    std::vector<std::string> expected = {"login", "login", "send"};
    ASSERT_GE(journal.events.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(journal.events.begin(), journal.events.begin() + 3),
              expected);
    // The first cycle set the period 60 (and waited 1 second).
    EXPECT_EQ(journal.periodsAtExchange[0], 60);
    EXPECT_GE(plugIn.m_gets, 1);
    EXPECT_EQ(engine.CachedBuffers(), std::vector<std::string>{"result bytes"});
    EXPECT_EQ(engine.GetPollPeriod(), 0);
    EXPECT_FALSE(engine.IsAuthorized());
    EXPECT_EQ(plugIn.m_ref, 1);  // the stop let go of the plug-in
}

// While logins fail, every tick still moves the plug-ins' results into the send cache, whose
// limits then bound what an outage keeps; nothing piles up inside the plug-ins.
TEST_F(MainLoopTest, TicksThatCannotLogInStillCollectIntoTheCache)
{
    LoopJournal journal;
    CScriptedLink link;
    CFakePlugIn plugIn;
    plugIn.m_pending = "result bytes";
    link.m_onSend = [&](CMainWorker& engine) {
        journal.Add(engine.IsAuthorized() ? "send" : "login");
        engine.SetPollPeriod(1);
    };
    CTestEngine engine;
    engine.SetServerLink(&link);
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));
    engine.AppendEntry(FakeEntry(&plugIn, "MMA"));
    ASSERT_TRUE(WaitUntil([&] { return journal.Count() >= 2; }));
    ASSERT_TRUE(engine.StopMonitoring(nullptr));
    for (const std::string& e : journal.events)
        EXPECT_EQ(e, "login");
    EXPECT_GE(plugIn.m_gets, 2);
    EXPECT_EQ(engine.CachedBuffers(), std::vector<std::string>{"result bytes"});
}

TEST_F(MainLoopTest, TheLoopEndReportsStoppedOnce)
{
    CRecordingReceiver receiver;
    CTestEngine engine;
    engine.AddAgentObject(&receiver);
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));
    ASSERT_TRUE(engine.StopMonitoring(nullptr));
    EXPECT_EQ(receiver.TextsOf(STATUS_STOPPED), std::vector<std::wstring>{TOL_TEXT_ALL_STOPPED});
    engine.RemoveAgentObject(&receiver);
}

}  // namespace
