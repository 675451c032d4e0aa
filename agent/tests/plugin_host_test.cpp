// Routing of server lines, the Set broadcasts, collection and the plug-ins' events, against
// plug-in objects in this process.
#include "command_code.h"
#include "engine_fixture.h"
#include "set_type.h"

#include <climits>

namespace {

TEST(MatchCommandCode, FirstThreeCharactersAgainstGroupsOfThree)
{
    struct Case {
        const char* line;
        const char* codes;
        bool match;
    } cases[] = {
        {"MMA\t1\t2", "MMAMMMMMD", true},
        {"MMD\t1", "MMAMMMMMD", true},
        {"MMAX\t1", "MMA", true},     // only the first three characters count
        {"MAM\t1", "MMAMMM", false},  // groups start at multiples of three
        {"LAA", "MMAMMMMMDLAALAMLAD", true},
        {"LA", "LAALAM", false},  // line shorter than a code
        {"LAA", "LA", false},     // list shorter than a code
        {"LAA", "MMALA", false},  // the short last group never matches
        {"MMA", "MMALA", true},
        {"mma", "MMA", false},
        {"", "MMA", false},
        {"MMA", "", false},
        {nullptr, "MMA", false},
        {"MMA", nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchCommandCode(c.line, c.codes), c.match)
            << (c.line ? c.line : "<null>") << " / " << (c.codes ? c.codes : "<null>");
}

class PlugInHostTest : public EngineTest {
protected:
    void TearDown() override
    {
        m_engine.reset();
        EngineTest::TearDown();
    }
    CTestEngine& Engine()
    {
        if (!m_engine)
            m_engine = std::make_unique<CTestEngine>();
        return *m_engine;
    }
    std::unique_ptr<CTestEngine> m_engine;
};

TEST_F(PlugInHostTest, RoutingAsksMatchingPlugInsInListOrder)
{
    using Answer = CFakePlugIn::AddAnswer;
    struct Case {
        const char* what;
        Answer first;
        Answer second;
        bool taken;
        size_t firstAsked, secondAsked;
    } cases[] = {
        {"first takes", Answer::Take, Answer::Take, true, 1, 0},
        {"first declines", Answer::Decline, Answer::Take, true, 1, 1},
        {"first fails although it says true", Answer::FailWithTrue, Answer::Take, true, 1, 1},
        {"first succeeds without an answer", Answer::SucceedUntouched, Answer::Take, true, 1, 1},
        {"first answers S_FALSE with true", Answer::FalseResultWithTrue, Answer::Decline, false, 1,
         1},
        {"nobody takes", Answer::Decline, Answer::SucceedUntouched, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CFakePlugIn other(Answer::Take), first(c.first), second(c.second);
        Engine().AppendEntry(FakeEntry(&other, "CUACUMCUD"));
        Engine().AppendEntry(FakeEntry(nullptr, "MMA"));  // failed import: passed by
        Engine().AppendEntry(FakeEntry(&first, "LAAMMA"));
        Engine().AppendEntry(FakeEntry(&second, "MMA"));
        EXPECT_EQ(Engine().OfferLineToPlugIns("MMA\t7\t1\tlimits"), c.taken);
        EXPECT_EQ(first.m_lines.size(), c.firstAsked);
        EXPECT_EQ(second.m_lines.size(), c.secondAsked);
        EXPECT_TRUE(other.m_lines.empty());
        Engine().ReleasePlugIns();
        EXPECT_EQ(Engine().PlugInCount(), 0u);
        EXPECT_EQ(first.m_ref, 1);
    }
}

TEST_F(PlugInHostTest, LinesReachPlugInsDecodedAsUtf8)
{
    CFakePlugIn plugIn;
    Engine().AppendEntry(FakeEntry(&plugIn, "HPA"));
    EXPECT_TRUE(Engine().OfferLineToPlugIns("HPA\t3\t1\thttp://h\xc3\xa9te/\xe2\x82\xac"));
    ASSERT_EQ(plugIn.m_lines.size(), 1u);
    EXPECT_EQ(plugIn.m_lines[0], L"HPA\t3\t1\thttp://h\u00e9te/\u20ac");
    EXPECT_FALSE(Engine().OfferLineToPlugIns("POL\t\t30"));
    EXPECT_FALSE(Engine().OfferLineToPlugIns(""));
    Engine().ReleasePlugIns();
}

TEST_F(PlugInHostTest, BroadcastsReachEveryLivePlugIn)
{
    CFakePlugIn a, b;
    Engine().AppendEntry(FakeEntry(&a, "MMA"));
    Engine().AppendEntry(FakeEntry(nullptr, "CUA"));
    Engine().AppendEntry(FakeEntry(&b, "CUA"));

    Engine().SetCheckPeriodOnPlugIns(0);
    Engine().SetCheckPeriodOnPlugIns(-5);
    EXPECT_TRUE(a.m_sets.empty());
    Engine().SetCheckPeriodOnPlugIns(45);
    Engine().ResetPlugIns();
    Engine().SetProxyOnPlugIns("pr\xc3\xb6xy:8080");
    Engine().SetProxyOnPlugIns(nullptr);
    for (CFakePlugIn* p : {&a, &b}) {
        ASSERT_EQ(p->m_sets.size(), 4u);
        EXPECT_EQ(p->m_sets[0].type, SET_CHECK_PERIOD);
        EXPECT_EQ(p->m_sets[0].vt, VT_I4);
        EXPECT_EQ(p->m_sets[0].number, 45);
        EXPECT_EQ(p->m_sets[1].type, SET_RPL);
        EXPECT_EQ(p->m_sets[1].vt, VT_EMPTY);
        EXPECT_EQ(p->m_sets[2].type, SET_PROXY);
        EXPECT_EQ(p->m_sets[2].vt, VT_BSTR);
        EXPECT_EQ(p->m_sets[2].text, L"pr\u00f6xy:8080");
        EXPECT_EQ(p->m_sets[3].text, L"<null>");
    }
    // The proxy set through the engine goes out too.
    Engine().SetProxyServer("p:1");
    EXPECT_EQ(a.m_sets.back().text, L"p:1");
    Engine().ReleasePlugIns();
    EXPECT_EQ(a.m_ref, 1);
    EXPECT_EQ(b.m_ref, 1);
}

TEST_F(PlugInHostTest, CollectionKeepsOnlyByteStrings)
{
    CFakePlugIn first, idle, second;
    first.m_pending = std::string("\x01\x00\x02", 3);
    second.m_pending = "abcd";
    Engine().AppendEntry(FakeEntry(&first, "MMA"));
    Engine().AppendEntry(FakeEntry(&idle, "CUA"));
    Engine().AppendEntry(FakeEntry(nullptr, "PRA"));
    Engine().AppendEntry(FakeEntry(&second, "DKA"));
    Engine().CollectPlugInData();
    Engine().CollectPlugInData();
    // Both hand-overs join the one buffer, in list order.
    EXPECT_EQ(Engine().CachedBuffers(), std::vector<std::string>{std::string("\x01\x00\x02"
                                                                             "abcd",
                                                                             7)});
    EXPECT_EQ(idle.m_gets, 2);
    Engine().ReleasePlugIns();
}

VARIANT I4(long v)
{
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_I4;
    V_I4(&x) = v;
    return x;
}

VARIANT UI4(unsigned long v)
{
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_UI4;
    V_UI4(&x) = v;
    return x;
}

TEST_F(PlugInHostTest, NewDataAndLogLinesAgainstTrace)
{
    struct Case {
        const char* what;
        VARIANT srcID;
        bool textIsBstr;
        const wchar_t* text;
        DWORD trace;
        bool fired;
    } cases[] = {
        {"new-data notice, trace off", UI4(3), true, L"tol_mem: New data is available.", 0, true},
        {"new-data notice as I4", I4(2), true, L"tol_cpu: New data is available.", 0, true},
        {"level 0, trace off", I4(0), true, L"tol_mem: level 0", 0, true},
        {"level 5, trace off", I4(-5), true, L"tol_mem: pass", 0, false},
        {"level 5, trace 10", I4(-5), true, L"tol_mem: pass", 10, true},
        {"level 10, trace 10", I4(-10), true, L"tol_mem: ten", 10, true},
        {"level 11, trace 10", I4(-11), true, L"tol_mem: eleven", 10, false},
        {"level 1, trace 1", I4(-1), true, L"tol_mem: one", 1, true},
        {"level 2, trace 1", I4(-2), true, L"tol_mem: two", 1, false},
        {"most negative id", I4(LONG_MIN), true, L"tol_mem: far", 10, false},
        {"text not a BSTR", UI4(1), false, nullptr, 10, false},
        {"null BSTR", UI4(1), true, nullptr, 10, false},
    };
    CRecordingReceiver receiver;
    Engine().AddAgentObject(&receiver);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetTrace(c.trace);
        VARIANT text;
        VariantInit(&text);
        if (c.textIsBstr) {
            V_VT(&text) = VT_BSTR;
            V_BSTR(&text) = c.text ? SysAllocString(c.text) : nullptr;
        } else {
            V_VT(&text) = VT_I4;
            V_I4(&text) = 5;
        }
        size_t before = receiver.Fired().size();
        EXPECT_EQ(Engine().OnPlugInNewData(c.srcID, text), S_OK);
        auto fired = receiver.Fired();
        ASSERT_EQ(fired.size(), before + (c.fired ? 1 : 0));
        if (c.fired) {
            EXPECT_EQ(fired.back().status, STATUS_MESSAGE);
            EXPECT_EQ(fired.back().text, c.text);
        }
        VariantClear(&text);
    }
    EXPECT_EQ(Engine().GetLastStatus(), STATUS_STOPPED);  // status 10 is not kept
    Engine().RemoveAgentObject(&receiver);
}

// A plug-in whose Add waits until the test lets it go.
class CWaitingPlugIn : public CFakePlugIn {
public:
    CWaitingPlugIn()
        : m_entered(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~CWaitingPlugIn()
    {
        CloseHandle(m_entered);
        CloseHandle(m_letGo);
    }
    STDMETHODIMP Add(VARIANT, VARIANT_BOOL* taken) override
    {
        SetEvent(m_entered);
        WaitForSingleObject(m_letGo, INFINITE);
        *taken = VARIANT_TRUE;
        return S_OK;
    }
    HANDLE m_entered;
    HANDLE m_letGo;
};

struct OfferCall {
    CMainWorker* engine;
    bool taken = false;
};

DWORD WINAPI OfferWaitingLine(void* argument)
{
    auto* call = static_cast<OfferCall*>(argument);
    call->taken = call->engine->OfferLineToPlugIns("SLW\t1");
    return 0;
}

TEST_F(PlugInHostTest, AnAddUnderWayHoldsUpNoOtherCallAndOutlivesTheRelease)
{
    CWaitingPlugIn waiting;
    CFakePlugIn other;
    other.m_pending = "other's result;";
    Engine().AppendEntry(FakeEntry(&waiting, "SLW"));
    Engine().AppendEntry(FakeEntry(&other, "MMA"));
    Engine().SetAuthorized(true);

    OfferCall call{&Engine()};
    HANDLE thread = CreateThread(nullptr, 0, &OfferWaitingLine, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(waiting.m_entered, 15000), WAIT_OBJECT_0);

    // While that Add waits, the others are collected, routed to and configured.
    Engine().CollectPlugInData();
    EXPECT_EQ(other.m_gets, 1);
    EXPECT_TRUE(Engine().OfferLineToPlugIns("MMA\t2"));
    Engine().SetCheckPeriodOnPlugIns(120);
    ASSERT_EQ(other.m_sets.size(), 1u);
    EXPECT_EQ(Engine().CachedBuffers(), std::vector<std::string>{"other's result;"});

    // The stop of work releases the list at once; the call keeps its plug-in until it ends.
    Engine().ReleasePlugIns();
    EXPECT_EQ(Engine().PlugInCount(), 0u);
    EXPECT_EQ(other.m_ref, 1);
    EXPECT_EQ(waiting.m_ref, 2);
    SetEvent(waiting.m_letGo);
    EXPECT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_TRUE(call.taken);
    EXPECT_EQ(waiting.m_ref, 1);
}

}  // namespace
