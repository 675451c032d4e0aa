// Discovery and import of registered plug-ins (engine_test_plugins.dll): the handshake, the
// configuration at import, routing among real objects, their events and a fresh import on
// every start.
#include "agent_texts.h"
#include "engine_fixture.h"
#include "engine_test_plugins.h"
#include "plugin_sink.h"

#include <sstream>

namespace {

#define TEST_PLUGINS_KEY TOL_REG_PLUGINS_KEY L"\\"

template <class Fn>
Fn Proc(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class PlugInImportTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_dll = LoadLibraryW(L"engine_test_plugins.dll");
        ASSERT_NE(m_dll, nullptr);
        auto registerServer = Proc<HRESULT(WINAPI*)()>(m_dll, "DllRegisterServer");
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
        Bind(m_journal, "EngineTestJournal");
        Bind(m_clear, "EngineTestClear");
        Bind(m_live, "EngineTestLiveObjects");
        Bind(m_fire, "EngineTestFire");
        Bind(m_holdSinks, "EngineTestHoldSinks");
        Bind(m_fireHeld, "EngineTestFireHeld");
        Bind(m_releaseHeld, "EngineTestReleaseHeld");
        m_clear();
    }
    void TearDown() override
    {
        if (m_dll) {
            auto unregisterServer = Proc<HRESULT(WINAPI*)()>(m_dll, "DllUnregisterServer");
            if (unregisterServer)
                unregisterServer();
            FreeLibrary(m_dll);
        }
        EngineTest::TearDown();
    }
    template <class Fn>
    void Bind(Fn& fn, const char* name)
    {
        fn = Proc<Fn>(m_dll, name);
        ASSERT_NE(fn, nullptr) << name;
    }
    std::vector<std::wstring> Journal()
    {
        std::wstring all(m_journal(nullptr, 0), L'\0');
        m_journal(&all[0], static_cast<DWORD>(all.size()));
        std::vector<std::wstring> lines;
        std::wistringstream in(all.c_str());
        for (std::wstring line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::vector<std::wstring> JournalOf(const std::wstring& who)
    {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : Journal()) {
            if (line.rfind(who + L": ", 0) == 0)
                lines.push_back(line.substr(who.size() + 2));
        }
        return lines;
    }

    HMODULE m_dll = nullptr;
    EngineTestJournalFn m_journal = nullptr;
    EngineTestClearFn m_clear = nullptr;
    EngineTestLiveObjectsFn m_live = nullptr;
    EngineTestFireFn m_fire = nullptr;
    EngineTestHoldSinksFn m_holdSinks = nullptr;
    EngineTestFireHeldFn m_fireHeld = nullptr;
    EngineTestReleaseHeldFn m_releaseHeld = nullptr;
};

std::wstring ImportedText(const wchar_t* name, const wchar_t* vendor, const wchar_t* description)
{
    return std::wstring(TOL_TEXT_PLUGIN_IMPORTED) + L"\nName:\t" + name + L"\nVendor:\t" + vendor +
           L"\nDescription:\t" + description;
}

TEST_F(PlugInImportTest, EnumerationReadsNamesWithUnknownForMissingOnes)
{
    CreateKey(TEST_PLUGINS_KEY L"{not-a-class}");
    CTestEngine engine;
    ASSERT_TRUE(engine.EnumeratePlugIns());
    ASSERT_EQ(engine.PlugInCount(), 5u);
    struct Expected {
        const wchar_t* classId;
        const wchar_t* names[3];
    } expected[] = {
        {ENGINE_TEST_CLSID_INIT_FAILS, {L"init_fails", L"Unknown", L"Unknown"}},
        {ENGINE_TEST_CLSID_DECLINER, {L"decliner", L"Tolvane Inc.", L"Declines every line"}},
        {ENGINE_TEST_CLSID_RECORDER, {L"recorder", L"Tolvane Inc.", L"Records its lines"}},
        {ENGINE_TEST_CLSID_FOREIGN, {L"foreign", L"Tolvane Inc.", L"Answers for another class"}},
        {L"{not-a-class}", {L"Unknown", L"Unknown", L"Unknown"}},
    };
    for (size_t i = 0; i < 5; ++i) {
        PlugInEntry* entry = engine.Entry(i);
        EXPECT_STREQ(entry->classId, expected[i].classId);
        for (unsigned n = 0; n < kPlugInNameCount; ++n)
            EXPECT_STREQ(entry->names[n], expected[i].names[n]) << i << "/" << n;
        EXPECT_EQ(entry->plugIn, nullptr);
        EXPECT_EQ(entry->commandCodes, nullptr);
    }
    engine.ReleasePlugIns();
    EXPECT_EQ(engine.PlugInCount(), 0u);

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_PLUGINS_KEY);
    EXPECT_FALSE(engine.EnumeratePlugIns());
    EXPECT_EQ(engine.PlugInCount(), 0u);
}

TEST_F(PlugInImportTest, ImportKeepsPositionsOfFailedPlugIns)
{
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    engine.SetProxyServer("pr\xc3\xb6xy:3128");
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));

    ASSERT_EQ(engine.PlugInCount(), 4u);
    const char* codes[] = {nullptr, "SHR", "RECSHR", nullptr};
    for (size_t i = 0; i < 4; ++i) {
        PlugInEntry* entry = engine.Entry(i);
        EXPECT_EQ(entry->plugIn != nullptr, codes[i] != nullptr) << i;
        EXPECT_EQ(entry->sink != nullptr, codes[i] != nullptr) << i;
        if (codes[i]) {
            EXPECT_STREQ(entry->commandCodes, codes[i]);
        } else {
            EXPECT_EQ(entry->commandCodes, nullptr);
        }
        if (entry->sink) {
            EXPECT_NE(PlugInSinkCookie(entry->sink), kSinkNotAdvised);
        }
    }
    EXPECT_EQ(JournalOf(L"init_fails"), (std::vector<std::wstring>{L"Init refused", L"destroyed"}));
    EXPECT_EQ(JournalOf(L"foreign"), (std::vector<std::wstring>{L"Init", L"destroyed"}));
    EXPECT_EQ(JournalOf(L"decliner"), (std::vector<std::wstring>{L"Init", L"Set 1 300", L"Set 2 2",
                                                                 L"Set 3 pr\u00f6xy:3128"}));
    EXPECT_EQ(JournalOf(L"recorder"), (std::vector<std::wstring>{L"Init", L"Set 1 300", L"Set 2 3",
                                                                 L"Set 3 pr\u00f6xy:3128"}));
    EXPECT_EQ(receiver.TextsOf(STATUS_INFO),
              (std::vector<std::wstring>{
                  ImportedText(L"decliner", L"Tolvane Inc.", L"Declines every line"),
                  ImportedText(L"recorder", L"Tolvane Inc.", L"Records its lines"),
                  TOL_TEXT_INIT_COMPLETED}));
    EXPECT_EQ(m_live(), 2);

    // Routing among the live ones: the decliner is asked first and the recorder takes it.
    m_clear();
    EXPECT_TRUE(engine.OfferLineToPlugIns("SHR\t1\t1\tcaf\xc3\xa9"));
    EXPECT_TRUE(engine.OfferLineToPlugIns("REC\t2"));
    EXPECT_FALSE(engine.OfferLineToPlugIns("XYZ\t2"));
    EXPECT_EQ(Journal(), (std::vector<std::wstring>{L"decliner: Add SHR\t1\t1\tcaf\u00e9",
                                                    L"recorder: Add SHR\t1\t1\tcaf\u00e9",
                                                    L"recorder: Add REC\t2"}));

    ASSERT_TRUE(engine.StopMonitoring(nullptr));
    EXPECT_EQ(engine.PlugInCount(), 0u);
    EXPECT_EQ(m_live(), 0);
    engine.RemoveAgentObject(&receiver);
}

TEST_F(PlugInImportTest, EventsFromAPlugInThreadBecomeMessages)
{
    SetTrace(0);
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));
    ASSERT_TRUE(m_fire(3, TRUE, L"engine_test: New data is available."));
    ASSERT_TRUE(m_fire(-5, FALSE, L"engine_test: level five"));
    SetTrace(10);
    ASSERT_TRUE(m_fire(-5, FALSE, L"engine_test: level five again"));
    EXPECT_EQ(receiver.TextsOf(STATUS_MESSAGE),
              (std::vector<std::wstring>{L"engine_test: New data is available.",
                                         L"engine_test: level five again"}));
    ASSERT_TRUE(engine.StopMonitoring(nullptr));
    engine.RemoveAgentObject(&receiver);
}

TEST_F(PlugInImportTest, ASinkHeldPastTheStopReachesNobody)
{
    CTestEngine engine;
    CRecordingReceiver receiver;
    engine.AddAgentObject(&receiver);
    engine.RegisterAgent("a@b.c", "agent", "pw");
    ASSERT_TRUE(engine.StartWork(nullptr));
    ASSERT_TRUE(m_holdSinks());
    m_fireHeld(L"before the stop");
    ASSERT_TRUE(engine.StopMonitoring(nullptr));
    m_fireHeld(L"after the stop");  // the sink still lives, cut off from the engine
    m_releaseHeld();
    EXPECT_EQ(receiver.TextsOf(STATUS_MESSAGE), std::vector<std::wstring>{L"before the stop"});
    engine.RemoveAgentObject(&receiver);
}

TEST_F(PlugInImportTest, EveryStartImportsAfresh)
{
    CTestEngine engine;
    engine.RegisterAgent("a@b.c", "agent", "pw");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        m_clear();
        ASSERT_TRUE(engine.StartWork(nullptr));
        EXPECT_EQ(engine.PlugInCount(), 4u);
        EXPECT_EQ(m_live(), 2);
        EXPECT_EQ(JournalOf(L"recorder"),
                  (std::vector<std::wstring>{L"Init", L"Set 1 300", L"Set 2 3", L"Set 3 <null>"}));
        ASSERT_TRUE(engine.StopMonitoring(nullptr));
        EXPECT_EQ(m_live(), 0);
    }
}

}  // namespace
