// The automation object in this process: argument checks and their error objects, the
// engine behind each method, and the status events its clients hear.
#include "engine_fixture.h"
#include "quorin_agent.h"

#include <TolvaneLib.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// A client's sink: records StatusChanged and may run a test's function inside the handler.
class CEventSink : public CFakeDispatch<IDispatch, &DIID__IQuorinAgentEvents> {
public:
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        if (id != 2 || params->cArgs != 2)
            return DISP_E_BADPARAMCOUNT;
        FiredStatus fired{V_I4(&params->rgvarg[1]), L"", V_VT(&params->rgvarg[0])};
        if (fired.type == VT_BSTR && V_BSTR(&params->rgvarg[0]))
            fired.text = V_BSTR(&params->rgvarg[0]);
        if (m_onEvent)
            m_onEvent(fired);
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back(fired);
        return S_OK;
    }
    std::vector<FiredStatus> Events()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_events;
    }
    std::vector<long> Statuses()
    {
        std::vector<long> statuses;
        for (const FiredStatus& f : Events())
            statuses.push_back(f.status);
        return statuses;
    }

    std::function<void(const FiredStatus&)> m_onEvent;

private:
    std::mutex m_mutex;
    std::vector<FiredStatus> m_events;
};

VARIANT Text(const wchar_t* text)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    return v;
}

VARIANT Number(long n)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}

std::wstring Letters(size_t n)
{
    return std::wstring(n, L'a');
}

class QuorinAgentTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        // The ProgID the error objects name as their source.
        RegSetValueW(HKEY_CLASSES_ROOT, kProgIdKey, REG_SZ, L"Tolvane.QuorinAgent.1", 0);
        m_engine = new CTestEngine();
        CQuorinAgent::AttachEngine(m_engine);
        ASSERT_EQ(CComSingletonCreator<CQuorinAgent>::CreateInstance(
                      nullptr, IID_IQuorinAgent, reinterpret_cast<void**>(&m_agent)),
                  S_OK);
    }
    void TearDown() override
    {
        if (m_agent)
            m_agent->Release();
        delete m_engine;
        CQuorinAgent::AttachEngine(nullptr);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID\\{5BDBCB07-9ECD-4F3A-A77E-8E491683648D}");
        EngineTest::TearDown();
    }

    // A sink connected to the object's connection point; it lives as long as the test's
    // fixture, past the object that holds it.
    CEventSink& AdvisedSink(std::function<void(const FiredStatus&)> onEvent = nullptr)
    {
        m_sinks.push_back(std::make_unique<CEventSink>());
        CEventSink* sink = m_sinks.back().get();
        sink->m_onEvent = std::move(onEvent);
        Advise(sink);
        return *sink;
    }
    void Advise(CEventSink* sink)
    {
        CComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(m_agent->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()),
                  S_OK);
        CComPtr<IConnectionPoint> point;
        ASSERT_EQ(container->FindConnectionPoint(DIID__IQuorinAgentEvents, &point), S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
    }

    // The description and source of the error object the last call left.
    static std::pair<std::wstring, std::wstring> TakeError()
    {
        CComBSTR source, description;
        if (!TakeComError(&source, &description))
            return {L"<none>", L"<none>"};
        return {source.Get() ? source.Get() : L"", description.Get() ? description.Get() : L""};
    }

    static constexpr const wchar_t* kProgIdKey =
        L"CLSID\\{5BDBCB07-9ECD-4F3A-A77E-8E491683648D}\\ProgID";
    CTestEngine* m_engine = nullptr;
    IQuorinAgent* m_agent = nullptr;
    std::vector<std::unique_ptr<CEventSink>> m_sinks;
};

TEST_F(QuorinAgentTest, RegisterChecksEachArgumentInTurn)
{
    struct Case {
        VARIANT eMail, name, password;
        const wchar_t* error;  // null: accepted
    } cases[] = {
        {Number(1), Text(L"n"), Text(L"p"), L"The user E-MAIL ADDRESS should be a text."},
        {Text(L""), Text(L"n"), Text(L"p"),
         L"The length of the user e-mail address cannot be 0 or more than 256 symbols."},
        {Text(Letters(257).c_str()), Text(L"n"), Text(L"p"),
         L"The length of the user e-mail address cannot be 0 or more than 256 symbols."},
        {Text(L"ops@example.com\r\nX-Evil: 1"), Text(L"n"), Text(L"p"),
         L"The user e-mail address cannot contain control characters (such as line breaks or "
         L"tabs)."},
        {Text(Letters(256).c_str()), Number(7), Text(L"p"), L"The Agent Name should be a text."},
        {Text(L"e"), Text(L""), Text(L"p"),
         L"The length of the Agent Name cannot be 0 or more than 256 symbols."},
        {Text(L"e"), Text(L"host\n01"), Text(L"p"),
         L"The Agent Name cannot contain control characters (such as line breaks or tabs)."},
        {Text(L"e"), Text(L"host\x85"), Text(L"p"),
         L"The Agent Name cannot contain control characters (such as line breaks or tabs)."},
        {Text(L"e"), Text(L"n"), Number(3), L"The password should be a text."},
        {Text(L"e"), Text(L"n"), Text(Letters(257).c_str()),
         L"The length of the password cannot be 0 or more than 256 symbols."},
        {Text(L"e"), Text(L"n"), Text(L"with\ttab"), nullptr},
        {Text(Letters(256).c_str()), Text(Letters(256).c_str()), Text(Letters(256).c_str()),
         nullptr},
    };
    for (Case& c : cases) {
        HRESULT hr = m_agent->Register(c.eMail, c.name, c.password);
        if (c.error) {
            EXPECT_EQ(hr, E_FAIL) << c.error;
            auto error = TakeError();
            EXPECT_EQ(error.first, L"Tolvane.QuorinAgent.1");
            EXPECT_EQ(error.second, c.error);
        } else {
            EXPECT_EQ(hr, S_OK);
        }
        VariantClear(&c.eMail);
        VariantClear(&c.name);
        VariantClear(&c.password);
    }
}

TEST_F(QuorinAgentTest, RefusedRegistrationChangesNothing)
{
    VARIANT eMail = Text(L"ops@example.com"), name = Text(L"bad\rname"), password = Text(L"p");
    EXPECT_EQ(m_agent->Register(eMail, name, password), E_FAIL);
    VARIANT held;
    VariantInit(&held);
    EXPECT_EQ(m_agent->GetRegisteredEMail(&held), S_OK);
    EXPECT_EQ(V_VT(&held), VT_BSTR);
    EXPECT_EQ(SysStringLen(V_BSTR(&held)), 0u);
    VariantClear(&held);
    VariantClear(&eMail);
    VariantClear(&name);
    VariantClear(&password);
}

TEST_F(QuorinAgentTest, RegistrationRoundTripsNonAsciiTextsAndUnRegisterForgetsThem)
{
    VARIANT eMail = Text(L"j\u00fcrgen@b\u00fcro.example"), name = Text(L"\u00e9t\u00e9-01");
    VARIANT password = Text(L"secret");
    ASSERT_EQ(m_agent->Register(eMail, name, password), S_OK);
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(m_agent->GetRegisteredEMail(&value), S_OK);
    EXPECT_STREQ(V_BSTR(&value), L"j\u00fcrgen@b\u00fcro.example");
    VariantClear(&value);
    ASSERT_EQ(m_agent->GetRegisteredName(&value), S_OK);
    EXPECT_STREQ(V_BSTR(&value), L"\u00e9t\u00e9-01");
    VariantClear(&value);
    // Held in memory only until the server approves.
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));
    EXPECT_EQ(m_agent->UnRegister(), S_OK);
    ASSERT_EQ(m_agent->GetRegisteredName(&value), S_OK);
    EXPECT_EQ(V_VT(&value), VT_BSTR);
    EXPECT_EQ(SysStringLen(V_BSTR(&value)), 0u);
    VariantClear(&value);
    VariantClear(&eMail);
    VariantClear(&name);
    VariantClear(&password);
}

TEST_F(QuorinAgentTest, ProxyEmptyClearsAndLongOrNonTextFails)
{
    VARIANT proxy = Text(L"proxy.example:3128");
    ASSERT_EQ(m_agent->SetProxy(proxy), S_OK);
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"proxy.example:3128");
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(m_agent->GetProxy(&value), S_OK);
    EXPECT_STREQ(V_BSTR(&value), L"proxy.example:3128");
    VariantClear(&value);

    VARIANT empty = Text(L"");
    EXPECT_EQ(m_agent->SetProxy(empty), S_OK);
    ASSERT_EQ(m_agent->GetProxy(&value), S_OK);
    EXPECT_EQ(SysStringLen(V_BSTR(&value)), 0u);
    VariantClear(&value);

    VARIANT tooLong = Text(Letters(257).c_str()), number = Number(8080);
    EXPECT_EQ(m_agent->SetProxy(tooLong), E_FAIL);
    EXPECT_EQ(TakeError().second,
              L"The length of the Proxy Server Name cannot be 0 or more than 256 symbols.");
    EXPECT_EQ(m_agent->SetProxy(number), E_FAIL);
    EXPECT_EQ(TakeError().second, L"The Proxy Server Name should be a text.");
    VARIANT longest = Text(Letters(256).c_str());
    EXPECT_EQ(m_agent->SetProxy(longest), S_OK);
    for (VARIANT* v : {&proxy, &empty, &tooLong, &number, &longest})
        VariantClear(v);
}

TEST_F(QuorinAgentTest, TraceSwitchIsOnOnlyForVariantTrue)
{
    VARIANT_BOOL on = VARIANT_TRUE;
    struct Case {
        VARIANT_BOOL set;
        VARIANT_BOOL read;
    } cases[] = {{VARIANT_TRUE, VARIANT_TRUE},
                 {1, VARIANT_FALSE},
                 {VARIANT_TRUE, VARIANT_TRUE},
                 {VARIANT_FALSE, VARIANT_FALSE}};
    for (const Case& c : cases) {
        EXPECT_EQ(m_agent->SetTrace(c.set), S_OK);
        EXPECT_EQ(m_agent->IsTraceOn(&on), S_OK);
        EXPECT_EQ(on, c.read) << "after SetTrace(" << c.set << ")";
    }
}

TEST_F(QuorinAgentTest, WorkMethodsReportTheEnginesTexts)
{
    long status = 0;
    EXPECT_EQ(m_agent->GetStatus(&status), S_OK);
    EXPECT_EQ(status, STATUS_STOPPED);
    EXPECT_EQ(m_agent->StartWork(), E_FAIL);
    EXPECT_EQ(TakeError().second, L"You\u2019re not registered, try again later.");
    EXPECT_EQ(m_agent->StopWork(), E_FAIL);
    EXPECT_EQ(TakeError(), std::make_pair(std::wstring(L"Tolvane.QuorinAgent.1"),
                                          std::wstring(L"Agent is already stopped.")));
    VARIANT eMail = Text(L"ops@example.com"), name = Text(L"host-01"), password = Text(L"p");
    ASSERT_EQ(m_agent->Register(eMail, name, password), S_OK);
    EXPECT_EQ(m_agent->StartWork(), S_OK);
    EXPECT_EQ(m_agent->StartWork(), E_FAIL);
    EXPECT_EQ(TakeError().second, L"Tolvane Agent is already running.");
    EXPECT_EQ(m_agent->StopWork(), S_OK);
    EXPECT_EQ(m_engine->GetRunState(), RUN_STOPPED);
    VARIANT list = Number(42);
    EXPECT_EQ(m_agent->GetCurrentTestsList(1, &list), S_OK);
    EXPECT_EQ(V_I4(&list), 42);  // left as it came
    VariantClear(&eMail);
    VariantClear(&name);
    VariantClear(&password);
}

TEST_F(QuorinAgentTest, ClientsHearStatusesInOrderUntilServiceStopped)
{
    CEventSink& sink = AdvisedSink();
    VARIANT proxy = Text(L"p:1");
    m_agent->SetProxy(proxy);
    m_engine->FireStatusChanged(STATUS_MESSAGE, nullptr);
    m_engine->FireStatusChanged(STATUS_SERVICE_STOPPED, L"Service is stopped.");
    m_engine->FireStatusChanged(STATUS_INFO, L"nobody hears this");
    ASSERT_TRUE(CQuorinAgent::FlushEvents(5000));
    EXPECT_EQ(sink.Statuses(),
              (std::vector<long>{STATUS_PROXY_CHANGED, STATUS_MESSAGE, STATUS_SERVICE_STOPPED}));
    auto events = sink.Events();
    EXPECT_EQ(events[0].text, L"New Proxy Server will be used for HTTP connections.");
    EXPECT_EQ(events[1].type, VT_BSTR);
    EXPECT_EQ(events[1].text, L"");
    VariantClear(&proxy);
}

// A client that calls the agent from its StatusChanged handler: across processes the call
// arrives on another thread of the agent, which the test stands in for.
TEST_F(QuorinAgentTest, HandlerMayCallTheAgentBackFromAnotherThread)
{
    std::atomic<int> answered{0};
    std::atomic<long> seen{0};
    IQuorinAgent* agent = m_agent;
    CEventSink& sink = AdvisedSink([&](const FiredStatus& fired) {
        if (fired.status != STATUS_REGISTRATION_PENDING)
            return;
        std::thread call([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            long status = 0;
            agent->GetStatus(&status);
            seen = status;
            VARIANT proxy = Text(L"from-handler:8080");
            if (agent->SetProxy(proxy) == S_OK)
                ++answered;
            VariantClear(&proxy);
            CoUninitialize();
        });
        call.join();
    });
    m_engine->FireStatusChanged(STATUS_AUTHORIZED, L"Authorization is successfully finished.");
    VARIANT eMail = Text(L"ops@example.com"), name = Text(L"host-01"), password = Text(L"p");
    ASSERT_EQ(m_agent->Register(eMail, name, password), S_OK);
    ASSERT_TRUE(CQuorinAgent::FlushEvents(10000)) << "a handler that calls back hangs the agent";
    EXPECT_EQ(answered.load(), 1);
    EXPECT_EQ(seen.load(), STATUS_AUTHORIZED);
    EXPECT_EQ(sink.Statuses(), (std::vector<long>{STATUS_AUTHORIZED, STATUS_REGISTRATION_PENDING,
                                                  STATUS_PROXY_CHANGED}));
    VariantClear(&eMail);
    VariantClear(&name);
    VariantClear(&password);
}

TEST_F(QuorinAgentTest, SlowClientDoesNotHoldUpTheEngine)
{
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CEventSink& sink =
        AdvisedSink([&](const FiredStatus&) { WaitForSingleObject(release, 10000); });
    ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 5; ++i)
        m_engine->FireStatusChanged(STATUS_MESSAGE, L"tol_mem: New data is available.");
    long status = 0;
    m_agent->GetStatus(&status);
    bool returnedEarly = GetTickCount64() - start < 5000;
    SetEvent(release);
    EXPECT_TRUE(returnedEarly);
    ASSERT_TRUE(CQuorinAgent::FlushEvents(10000));
    EXPECT_EQ(sink.Events().size(), 5u);
    CloseHandle(release);
}

TEST_F(QuorinAgentTest, LeavesTheReceiversWhenReleased)
{
    CRecordingReceiver other;
    m_engine->AddAgentObject(&other);
    CEventSink& sink = AdvisedSink();
    m_agent->Release();
    m_agent = nullptr;
    m_engine->FireStatusChanged(STATUS_INFO, L"after release");
    EXPECT_EQ(other.TextsOf(STATUS_INFO), std::vector<std::wstring>{L"after release"});
    EXPECT_TRUE(sink.Events().empty());
    m_engine->RemoveAgentObject(&other);
}

}  // namespace
