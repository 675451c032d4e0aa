// The status broadcast: receivers, the kept last status and the drop at status 8.
#include "engine_fixture.h"
#include "trace_log.h"

#include <ctime>
#include <fstream>
#include <sstream>

namespace {

class StatusBroadcastTest : public EngineTest {};

TEST_F(StatusBroadcastTest, LastStatusKeepsAllButPassingNotices)
{
    CTestEngine engine;
    EXPECT_EQ(engine.GetLastStatus(), STATUS_STOPPED);
    struct Case {
        long fired;
        long kept;
    } cases[] = {
        {STATUS_AUTHORIZED, STATUS_AUTHORIZED},
        {STATUS_PROXY_CHANGED, STATUS_AUTHORIZED},
        {STATUS_REGISTRATION_PENDING, STATUS_AUTHORIZED},
        {STATUS_MESSAGE, STATUS_AUTHORIZED},
        {STATUS_SERVER_ERROR, STATUS_SERVER_ERROR},
        {STATUS_AUTH_FAILED, STATUS_AUTH_FAILED},
        {STATUS_INFO, STATUS_INFO},
        {STATUS_SEND_FAILED, STATUS_SEND_FAILED},
        {STATUS_STOPPED, STATUS_STOPPED},
        {STATUS_SERVICE_STOPPED, STATUS_SERVICE_STOPPED},
    };
    for (const Case& c : cases) {
        engine.FireStatusChanged(c.fired, L"x");
        EXPECT_EQ(engine.GetLastStatus(), c.kept) << "after status " << c.fired;
    }
}

TEST_F(StatusBroadcastTest, EveryReceiverHearsEachStatusUnderItsLock)
{
    CTestEngine engine;
    CRecordingReceiver first, second;
    engine.AddAgentObject(&first);
    engine.AddAgentObject(&second);
    engine.FireStatusChanged(STATUS_MESSAGE, L"tol_mem: New data is available.");
    engine.FireStatusChanged(STATUS_INFO, nullptr);
    for (CRecordingReceiver* r : {&first, &second}) {
        auto fired = r->Fired();
        ASSERT_EQ(fired.size(), 2u);
        EXPECT_EQ(fired[0].status, STATUS_MESSAGE);
        EXPECT_EQ(fired[0].text, L"tol_mem: New data is available.");
        EXPECT_EQ(fired[1].type, VT_BSTR);  // a null text goes out as an empty BSTR
        EXPECT_EQ(fired[1].text, L"");
        EXPECT_EQ(r->Locks(), 2);
    }
    engine.RemoveAgentObject(&first);
    engine.RemoveAgentObject(&second);
}

TEST_F(StatusBroadcastTest, ServiceStoppedReachesEachOnceThenNobody)
{
    CTestEngine engine;
    CRecordingReceiver first, second, late;
    engine.AddAgentObject(&first);
    engine.AddAgentObject(&second);
    engine.FireStatusChanged(STATUS_SERVICE_STOPPED, L"Service is stopped.");
    engine.FireStatusChanged(STATUS_INFO, L"after");
    EXPECT_EQ(first.Fired().size(), 1u);
    EXPECT_EQ(second.Fired().size(), 1u);
    EXPECT_EQ(first.Fired()[0].status, STATUS_SERVICE_STOPPED);
    engine.AddAgentObject(&late);
    engine.FireStatusChanged(STATUS_INFO, L"joined again");
    EXPECT_EQ(late.TextsOf(STATUS_INFO), std::vector<std::wstring>{L"joined again"});
    engine.RemoveAgentObject(&late);
}

TEST_F(StatusBroadcastTest, RemovingTakesTheFirstEqualEntryOnly)
{
    CTestEngine engine;
    CRecordingReceiver a, b;
    engine.AddAgentObject(&a);
    engine.AddAgentObject(&b);
    engine.AddAgentObject(&a);
    engine.RemoveAgentObject(&a);
    engine.FireStatusChanged(STATUS_INFO, L"one");
    EXPECT_EQ(a.Fired().size(), 1u);
    EXPECT_EQ(b.Fired().size(), 1u);
    engine.RemoveAgentObject(&a);
    engine.RemoveAgentObject(&a);  // absent: nothing
    engine.FireStatusChanged(STATUS_INFO, L"two");
    EXPECT_EQ(a.Fired().size(), 1u);
    EXPECT_EQ(b.Fired().size(), 2u);
    engine.RemoveAgentObject(&b);
}

std::string TodaysTraceLog()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    std::ifstream in(std::string(folder) + TraceLogFileName(local), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST_F(StatusBroadcastTest, StatusTextsGoToTheTraceLogWhileTracing)
{
    CTestEngine engine;
    SetTrace(0);
    engine.FireStatusChanged(STATUS_INFO, L"untraced status \u00e9 0x51f2");
    SetTrace(10);
    engine.FireStatusChanged(STATUS_MESSAGE, L"traced status \u00e9 0x51f2");
    std::string log = TodaysTraceLog();
    EXPECT_EQ(log.find("untraced status \xc3\xa9 0x51f2"), std::string::npos);
    EXPECT_NE(log.find("traced status \xc3\xa9 0x51f2\r\n"), std::string::npos);
    SetTrace(0);
}

}  // namespace
