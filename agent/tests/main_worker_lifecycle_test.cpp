// Start and stop of work, registration, the Host setting and the event-log entries.
#include "agent_texts.h"
#include "engine_fixture.h"
#include "event_log.h"
#include "heap_helpers.h"
#include "md5_hex.h"

#include <memory>

namespace {

std::wstring TakeText(wchar_t* text)
{
    std::wstring copy = text ? text : L"<null>";
    FreeHeapBlock(text);
    return copy;
}

std::wstring StartText(CMainWorker& engine)
{
    wchar_t* error = nullptr;
    return engine.StartWork(&error) ? L"<started>" : TakeText(error);
}

std::wstring StopText(CMainWorker& engine, bool wait = true)
{
    wchar_t* error = nullptr;
    return engine.StopMonitoring(&error, wait) ? L"<stopped>" : TakeText(error);
}

class LifecycleTest : public EngineTest {};

TEST_F(LifecycleTest, UnregisteredStartsFailAndAreLogged)
{
    struct Case {
        const char* what;
        const wchar_t* eMail;
        const wchar_t* name;
        int entriesAtConstruction;
    } cases[] = {
        {"nothing registered", nullptr, nullptr, 2},
        {"e-mail without a name", L"a@b.c", L"", 2},
        {"name without an e-mail", nullptr, L"agent", 2},
        {"both", L"a@b.c", L"agent", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY);
        if (c.eMail)
            SetText(TOL_REG_AGENT_KEY, L"E-Mail", c.eMail);
        if (c.name)
            SetText(TOL_REG_AGENT_KEY, L"Agent Name", c.name);
        CEventLogRecorder::Clear();
        CTestEngine engine;
        EXPECT_EQ(
            CEventLogRecorder::Count(EVENTLOG_ERROR_TYPE, kEventIdError, TOL_TEXT_NOT_REGISTERED),
            c.entriesAtConstruction);
        if (c.entriesAtConstruction) {
            EXPECT_EQ(engine.GetRunState(), RUN_STOPPED);
            EXPECT_EQ(StartText(engine), TOL_TEXT_NOT_REGISTERED);
            EXPECT_EQ(CEventLogRecorder::Count(EVENTLOG_ERROR_TYPE, kEventIdError,
                                               TOL_TEXT_NOT_REGISTERED),
                      c.entriesAtConstruction + 1);
        } else {
            EXPECT_EQ(engine.GetRunState(), RUN_RUNNING);  // started while constructed
        }
    }
}

TEST_F(LifecycleTest, StateTextsOfStartAndStop)
{
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    EXPECT_EQ(StopText(engine), TOL_TEXT_ALREADY_STOPPED);
    ASSERT_TRUE(engine.RegisterAgent("a@b.c", "agent", "secret"));
    EXPECT_EQ(StartText(engine), L"<started>");
    EXPECT_EQ(engine.GetRunState(), RUN_RUNNING);
    EXPECT_TRUE(receiver.HasFired(STATUS_INFO, TOL_TEXT_INIT_COMPLETED));
    EXPECT_EQ(StartText(engine), TOL_TEXT_ALREADY_RUNNING);
    EXPECT_EQ(StopText(engine), L"<stopped>");
    EXPECT_EQ(engine.GetRunState(), RUN_STOPPED);
    EXPECT_TRUE(receiver.HasFired(STATUS_STOPPED, TOL_TEXT_ALL_STOPPED));
    EXPECT_EQ(engine.GetLastStatus(), STATUS_STOPPED);
    EXPECT_EQ(StopText(engine), TOL_TEXT_ALREADY_STOPPED);
    EXPECT_EQ(engine.GetPollPeriod(), 0);
    // Work starts again after a stop.
    EXPECT_EQ(StartText(engine), L"<started>");
    EXPECT_EQ(StopText(engine), L"<stopped>");
    engine.RemoveAgentObject(&receiver);
    // The texts are returned only, never logged.
    EXPECT_EQ(
        CEventLogRecorder::Count(EVENTLOG_ERROR_TYPE, kEventIdError, TOL_TEXT_ALREADY_RUNNING), 0);
}

TEST_F(LifecycleTest, WhileStoppingBothAreRefused)
{
    CScriptedLink link;
    std::wstring startWhileStopping, stopWhileStopping;
    bool stoppedOnce = false;
    link.m_onSend = [&](CMainWorker& engine) {
        if (stoppedOnce)
            return;
        stoppedOnce = true;
        // As the sending thread does on the server's refusal: no wait for this thread.
        EXPECT_EQ(StopText(engine, false), L"<stopped>");
        EXPECT_EQ(engine.GetRunState(), RUN_STOPPING);
        startWhileStopping = StartText(engine);
        stopWhileStopping = StopText(engine);
    };
    CTestEngine engine;
    engine.SetServerLink(&link);
    engine.RegisterAgent("a@b.c", "agent", "secret");
    ASSERT_EQ(StartText(engine), L"<started>");
    ASSERT_TRUE(WaitUntil([&] { return engine.GetRunState() == RUN_STOPPED; }));
    EXPECT_EQ(startWhileStopping, TOL_TEXT_ALREADY_RUNNING);
    EXPECT_EQ(stopWhileStopping, TOL_TEXT_STOPPING);
    EXPECT_FALSE(engine.IsAuthorized());
    EXPECT_EQ(StartText(engine), L"<started>");
    EXPECT_EQ(StopText(engine), L"<stopped>");
}

TEST_F(LifecycleTest, StopRightAfterStartEnds)
{
    CTestEngine engine;
    engine.RegisterAgent("a@b.c", "agent", "secret");
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(StartText(engine), L"<started>");
        ASSERT_EQ(StopText(engine), L"<stopped>");
        ASSERT_EQ(engine.GetRunState(), RUN_STOPPED);
    }
}

HANDLE FailingThreadStart(LPTHREAD_START_ROUTINE, void*)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST_F(LifecycleTest, FailedThreadStartLeavesAStartableEngine)
{
    CTestEngine engine;
    engine.RegisterAgent("a@b.c", "agent", "secret");
    engine.SetThreadStarter(&FailingThreadStart);
    CEventLogRecorder::Clear();
    wchar_t* expected = FormatErrorText(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    std::wstring expectedText = expected;
    FreeHeapBlock(expected);
    EXPECT_EQ(StartText(engine), expectedText);
    EXPECT_EQ(expectedText.rfind(L"Failed with error 8: ", 0), 0u);
    EXPECT_EQ(CEventLogRecorder::Count(EVENTLOG_ERROR_TYPE, kEventIdError, expectedText), 1);
    EXPECT_EQ(engine.GetRunState(), RUN_STOPPED);
    EXPECT_EQ(StopText(engine), TOL_TEXT_ALREADY_STOPPED);
    engine.SetThreadStarter(nullptr);
    EXPECT_EQ(StartText(engine), L"<started>");
    EXPECT_EQ(StopText(engine), L"<stopped>");
}

TEST_F(LifecycleTest, RegistrationIsWrittenOnlyWhenStored)
{
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    EXPECT_FALSE(engine.RegisterAgent(nullptr, "agent", "pw"));
    EXPECT_FALSE(engine.RegisterAgent("a@b.c", nullptr, "pw"));
    ASSERT_TRUE(engine.RegisterAgent("a@b.c", "agent", "abc"));
    EXPECT_TRUE(receiver.HasFired(STATUS_REGISTRATION_PENDING, TOL_TEXT_REGISTRATION_PENDING));
    EXPECT_EQ(engine.GetLastStatus(), STATUS_STOPPED);
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));

    std::string digest;
    ASSERT_TRUE(Md5Hex("abc", digest));

    EXPECT_EQ(StartText(engine), L"<started>");
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));
    EXPECT_EQ(StopText(engine), L"<stopped>");

    engine.StoreRegistration();
    EXPECT_EQ(ReadWide(TOL_REG_AGENT_KEY, L"E-Mail"), L"a@b.c");
    EXPECT_EQ(ReadWide(TOL_REG_AGENT_KEY, L"Agent Name"), L"agent");
    EXPECT_EQ(ReadWide(TOL_REG_AGENT_KEY, L"Password"), std::wstring(digest.begin(), digest.end()));

    engine.SetProxyServer("proxy:8080");
    engine.ClearRegistration();
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));
    EXPECT_EQ(engine.CopyEMail(), nullptr);
    EXPECT_EQ(engine.CopyAgentName(), nullptr);
    std::unique_ptr<char, void (*)(const void*)> proxy(engine.CopyProxy(), FreeHeapBlock);
    ASSERT_NE(proxy.get(), nullptr);
    EXPECT_STREQ(proxy.get(), "proxy:8080");
    EXPECT_EQ(StartText(engine), TOL_TEXT_NOT_REGISTERED);
    engine.RemoveAgentObject(&receiver);
}

TEST_F(LifecycleTest, ProxyAndTraceSettings)
{
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    engine.SetProxyServer("h\xc3\xa9te:3128");
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"h\u00e9te:3128");
    EXPECT_TRUE(receiver.HasFired(STATUS_PROXY_CHANGED, TOL_TEXT_PROXY_CHANGED));
    engine.SetProxyServer(nullptr);
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"");
    EXPECT_EQ(engine.CopyProxy(), nullptr);

    engine.SetTraceFlag(true);
    EXPECT_TRUE(engine.IsTraceFlagOn());
    HKEY key = nullptr;
    DWORD value = 0, bytes = sizeof(value);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_READ, &key), 0);
    RegQueryValueExW(key, L"Trace", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes);
    RegCloseKey(key);
    EXPECT_EQ(value, 10u);
    engine.SetTraceFlag(false);
    EXPECT_FALSE(engine.IsTraceFlagOn());
    engine.RemoveAgentObject(&receiver);
}

TEST_F(LifecycleTest, HostSettingIsSplitAtConstruction)
{
    struct Case {
        const wchar_t* host;
        const char* name;
        const char* path;
        unsigned short port;
        bool secure;
    } cases[] = {
        {L"http://127.0.0.1:8080/gateway", "127.0.0.1", "/gateway", 8080, false},
        {L"https://monitor.example/fcgi-bin/agentgateway", "monitor.example",
         "/fcgi-bin/agentgateway", 443, true},
        {L"not an address", nullptr, nullptr, 0, true},
        {nullptr, nullptr, nullptr, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host ? c.host : L"<absent>");
        HKEY key = CreateKey(TOL_REG_SETTINGS_KEY);
        RegDeleteValueW(key, L"Host");
        RegCloseKey(key);
        if (c.host)
            SetText(TOL_REG_SETTINGS_KEY, L"Host", c.host);
        CTestEngine engine;
        if (c.name) {
            ASSERT_NE(CMainWorker::ServerHostName(), nullptr);
            EXPECT_STREQ(CMainWorker::ServerHostName(), c.name);
            EXPECT_STREQ(CMainWorker::ServerPath(), c.path);
        } else {
            EXPECT_EQ(CMainWorker::ServerHostName(), nullptr);
        }
        EXPECT_EQ(CMainWorker::ServerPort(), c.port);
        EXPECT_EQ(CMainWorker::IsSecure(), c.secure);
    }
}

TEST_F(LifecycleTest, WorkerAliveFlagFollowsTheEngine)
{
    EXPECT_FALSE(CMainWorker::IsWorkerAlive());
    {
        CTestEngine engine;
        EXPECT_TRUE(CMainWorker::IsWorkerAlive());
    }
    EXPECT_FALSE(CMainWorker::IsWorkerAlive());
}

TEST_F(LifecycleTest, VersionAndUpgradeSource)
{
    SetText(TOL_REG_SETTINGS_KEY, L"Version", L"4.002");
    CTestEngine engine;
    ASSERT_NE(CMainWorker::VersionText(), nullptr);
    EXPECT_STREQ(CMainWorker::VersionText(), "4.002");
    char* address = reinterpret_cast<char*>(1);
    char* version = reinterpret_cast<char*>(1);
    EXPECT_FALSE(engine.CopyUpgradeSource(&address, &version));
    EXPECT_EQ(address, reinterpret_cast<char*>(1));
    EXPECT_EQ(engine.GetMaxBufferSize(), 122880u);
    EXPECT_EQ(engine.GetMaxBufferCount(), 14u);
}

}  // namespace
