// Reply lines, the agent's own commands and the send cache.
#include "engine_fixture.h"
#include "set_type.h"

#include <list>
#include <memory>

namespace {

// The engine with the parts the reply and the cache touch reachable.
class CReplyEngine : public CTestEngine {
public:
    void SetUpgradeBusy(bool busy) { m_upgradeBusy = busy; }
    bool IsUpgradeBusy() const { return m_upgradeBusy; }
    void SetSessionId(const char* id)
    {
        FreeHeapBlock(m_sessionId);
        m_sessionId = DupText(id);
    }
    bool HasSessionId() const { return m_sessionId != nullptr; }
    // What a good send does to the in-flight buffer.
    void FinishSend()
    {
        SysFreeString(m_inFlight);
        m_inFlight = nullptr;
    }
};

class ServerReplyTest : public EngineTest {
protected:
    void TearDown() override
    {
        if (m_engine)
            m_engine->ReleasePlugIns();
        m_engine.reset();
        EngineTest::TearDown();
    }
    CReplyEngine& Engine()
    {
        if (!m_engine)
            m_engine = std::make_unique<CReplyEngine>();
        return *m_engine;
    }
    void Dispatch(std::vector<std::string> fields)
    {
        std::vector<char*> pointers;
        for (std::string& f : fields)
            pointers.push_back(&f[0]);
        Engine().DispatchServerCommand(pointers.data(), static_cast<unsigned>(pointers.size()));
    }
    void Add(const std::string& bytes)
    {
        BSTR buffer = SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
        Engine().AddToCache(buffer);
        SysFreeString(buffer);
    }
    std::string Take()
    {
        char* bytes = reinterpret_cast<char*>(1);
        DWORD length = 99;
        Engine().TakeSendBlock(&bytes, &length);
        std::string taken = bytes ? std::string(bytes, length) : std::string();
        EXPECT_EQ(bytes == nullptr, length == 0);
        FreeHeapBlock(bytes);
        return taken;
    }
    std::string Upgrade(std::string* version)
    {
        char* address = nullptr;
        char* v = nullptr;
        if (!Engine().CopyUpgradeSource(&address, &v))
            return "<unset>";
        std::string a = address;
        *version = v;
        FreeHeapBlock(address);
        FreeHeapBlock(v);
        return a;
    }
    // A plug-in in the engine's list, living as long as the test.
    CFakePlugIn& PlugIn(const char* codes,
                        CFakePlugIn::AddAnswer answer = CFakePlugIn::AddAnswer::Take)
    {
        m_plugIns.emplace_back(answer);
        Engine().AppendEntry(FakeEntry(&m_plugIns.back(), codes));
        return m_plugIns.back();
    }
    std::list<CFakePlugIn> m_plugIns;
    std::unique_ptr<CReplyEngine> m_engine;
};

const long kEarlierPeriod = 77;

TEST_F(ServerReplyTest, PeriodAndBufferCommands)
{
    const unsigned size = kDefaultMaxBufferSize;
    const unsigned count = kDefaultMaxBufferCount;
    struct Case {
        std::vector<std::string> fields;
        long period;
        unsigned size;
        unsigned count;
    } cases[] = {
        {{"POL", "1", "30"}, 30, size, count},
        {{"POL", "1", "30", "more"}, 30, size, count},
        {{"POL", "30"}, kEarlierPeriod, size, count},  // too short
        {{"POL"}, kEarlierPeriod, size, count},
        {{"POL", "1", "0"}, 0, size, count},
        {{"POL", "1", "-5"}, 0, size, count},  // 0 or less: no period set
        {{"POL", "1", "abc"}, 0, size, count},
        {{"POL", "1", "  45s"}, 45, size, count},
        {{"POL", "1", "+12"}, 12, size, count},
        {{"POL", "1", "99999999999"}, 2147483647L, size, count},
        {{"pol", "1", "30"}, kEarlierPeriod, size, count},  // case-sensitive
        {{"POLL", "1", "30"}, kEarlierPeriod, size, count},
        {{"", "1", "30"}, kEarlierPeriod, size, count},
        {{"BFS", "1000"}, kEarlierPeriod, 16384, count},
        {{"BFS", "16383"}, kEarlierPeriod, 16384, count},
        {{"BFS", "16384"}, kEarlierPeriod, 16384, count},
        {{"BFS", "16385"}, kEarlierPeriod, 16385, count},
        {{"BFS", "262144"}, kEarlierPeriod, 262144, count},
        {{"BFS", "262145"}, kEarlierPeriod, 262144, count},
        {{"BFS", "300000"}, kEarlierPeriod, 262144, count},
        {{"BFS", "-1"}, kEarlierPeriod, 262144, count},  // unsigned: the upper bound
        {{"BFS", "abc"}, kEarlierPeriod, 16384, count},
        {{"BFS", "20000", "x"}, kEarlierPeriod, 20000, count},
        {{"BFS"}, kEarlierPeriod, size, count},
        {{"BFC", "0"}, kEarlierPeriod, size, 4},
        {{"BFC", "3"}, kEarlierPeriod, size, 4},
        {{"BFC", "4"}, kEarlierPeriod, size, 4},
        {{"BFC", "5"}, kEarlierPeriod, size, 5},
        {{"BFC", "32"}, kEarlierPeriod, size, 32},
        {{"BFC", "33"}, kEarlierPeriod, size, 32},
        {{"BFC", "100"}, kEarlierPeriod, size, 32},
        {{"BFC", "-2"}, kEarlierPeriod, size, 32},
        {{"BFC", "x"}, kEarlierPeriod, size, 4},
        {{"BFC"}, kEarlierPeriod, size, count},
    };
    for (const Case& c : cases) {
        Engine().SetPollPeriod(kEarlierPeriod);
        Engine().SetMaxBufferSize(size);
        Engine().SetMaxBufferCount(count);
        Dispatch(c.fields);
        std::string line;
        for (const std::string& f : c.fields)
            line += f + "|";
        EXPECT_EQ(Engine().GetPollPeriod(), c.period) << line;
        EXPECT_EQ(Engine().GetMaxBufferSize(), c.size) << line;
        EXPECT_EQ(Engine().GetMaxBufferCount(), c.count) << line;
    }
}

TEST_F(ServerReplyTest, CheckPeriodAndResetGoToEveryPlugIn)
{
    struct Case {
        std::vector<std::string> fields;
        bool sent;
        unsigned short type;
        long number;
    } cases[] = {
        {{"CHK", "1", "120"}, true, SET_CHECK_PERIOD, 120},
        {{"CHK", "1", "1"}, true, SET_CHECK_PERIOD, 1},
        {{"CHK", "1", "0"}, false, 0, 0},
        {{"CHK", "1", "-3"}, false, 0, 0},
        {{"CHK", "1", "x"}, false, 0, 0},
        {{"CHK", "120"}, false, 0, 0},  // too short
        {{"RPL"}, true, SET_RPL, 0},
        {{"RPL", "1", "2"}, true, SET_RPL, 0},
        {{"RPLX"}, false, 0, 0},
        {{"XYZ", "1", "2"}, false, 0, 0},
    };
    CFakePlugIn& a = PlugIn("MMA");
    CFakePlugIn& b = PlugIn("CUA");
    for (const Case& c : cases) {
        a.m_sets.clear();
        b.m_sets.clear();
        Dispatch(c.fields);
        for (CFakePlugIn* p : {&a, &b}) {
            ASSERT_EQ(p->m_sets.size(), c.sent ? 1u : 0u) << c.fields[0];
            if (c.sent) {
                EXPECT_EQ(p->m_sets[0].type, c.type);
                EXPECT_EQ(p->m_sets[0].number, c.number);
            }
        }
    }
}

TEST_F(ServerReplyTest, UpgradeCommandKeepsTheSourceAndStartsOneDownload)
{
    std::string version;
    int starts = CTestEngine::UpgradeStarts().load();
    Dispatch({"UPD", "4.002"});  // too short
    EXPECT_EQ(Upgrade(&version), "<unset>");
    EXPECT_EQ(CTestEngine::UpgradeStarts().load(), starts);

    Dispatch({"UPD", "4.002", "updates.example/agent/setup.exe"});
    EXPECT_EQ(Upgrade(&version), "https://updates.example/agent/setup.exe");
    EXPECT_EQ(version, "4.002");
    EXPECT_TRUE(Engine().IsUpgradeBusy());
    EXPECT_EQ(CTestEngine::UpgradeStarts().load(), starts + 1);

    // While a download runs the source is replaced and nothing more is started.
    Dispatch({"UPD", "4.003", "other.example/s.exe", "extra"});
    EXPECT_EQ(Upgrade(&version), "https://other.example/s.exe");
    EXPECT_EQ(version, "4.003");
    EXPECT_TRUE(Engine().IsUpgradeBusy());
    EXPECT_EQ(CTestEngine::UpgradeStarts().load(), starts + 1);

    // Once the download has given up, the next command starts another.
    Engine().SetUpgradeBusy(false);
    Dispatch({"UPD", "4.004", "other.example/t.zip"});
    EXPECT_EQ(CTestEngine::UpgradeStarts().load(), starts + 2);

    // A thread that cannot be started leaves the flag clear.
    Engine().SetUpgradeBusy(false);
    CTestEngine::FailUpgradeStart().store(true);
    Dispatch({"UPD", "4.005", "other.example/u.zip"});
    CTestEngine::FailUpgradeStart().store(false);
    EXPECT_FALSE(Engine().IsUpgradeBusy());
    EXPECT_EQ(Upgrade(&version), "https://other.example/u.zip");

    EXPECT_FALSE(Engine().SetUpgradeSource(nullptr, "1"));
    EXPECT_FALSE(Engine().SetUpgradeSource("a", nullptr));
    EXPECT_EQ(Upgrade(&version), "https://other.example/u.zip");
}

TEST_F(ServerReplyTest, TheProgramsEndWaitsForADownloadUnderWayOnlyForItsGrace)
{
    ResetEvent(CTestEngine::HeldUpgrade());
    Dispatch({"UPD", "4.002", "updates.example/agent/setup.exe"});
    // The download cannot be aborted: the program ends without tearing the engine down.
    EXPECT_FALSE(Engine().FinishForExit(50));
    SetEvent(CTestEngine::HeldUpgrade());
    EXPECT_TRUE(Engine().FinishForExit(INFINITE));
}

TEST_F(ServerReplyTest, MissingFieldsDoNothing)
{
    Engine().SetPollPeriod(kEarlierPeriod);
    char pol[] = "POL";
    char* noCode[] = {nullptr, pol, pol};
    char* fields[] = {pol, pol, pol};
    Engine().DispatchServerCommand(nullptr, 3);
    Engine().DispatchServerCommand(noCode, 3);
    Engine().DispatchServerCommand(fields, 0);
    EXPECT_EQ(Engine().GetPollPeriod(), kEarlierPeriod);
}

TEST_F(ServerReplyTest, ReplyLinesBecomeCommands)
{
    CFakePlugIn& reset = PlugIn("MMA");
    struct Case {
        const char* what;
        std::string body;
        long period;
        unsigned count;
        size_t resets;
    } cases[] = {
        {"LF", "POL\t1\t30\nBFC\t5\nRPL\n", 30, 5, 1},
        {"CR LF", "POL\t1\t30\r\nBFC\t5\r\nRPL\r\n", 30, 5, 1},
        {"empty lines", "\n\nPOL\t1\t30\n\r\n\nBFC\t5\n\n", 30, 5, 0},
        {"no final newline", "BFC\t5\nPOL\t1\t30", 30, 5, 0},
        {"text after the numbers", "POL\t1\t30 s\nBFC\t5 buffers", 30, 5, 0},
        {"unknown lines between", "HELLO\nPOL\t1\t30\nXYZ\t1\t2\nRPL", 30, 14, 1},
        {"empty body", "", kEarlierPeriod, 14, 0},
    };
    for (const Case& c : cases) {
        Engine().SetPollPeriod(kEarlierPeriod);
        Engine().SetMaxBufferCount(kDefaultMaxBufferCount);
        reset.m_sets.clear();
        Engine().ParseServerReply(c.body.c_str());
        EXPECT_EQ(Engine().GetPollPeriod(), c.period) << c.what;
        EXPECT_EQ(Engine().GetMaxBufferCount(), c.count) << c.what;
        EXPECT_EQ(reset.m_sets.size(), c.resets) << c.what;
    }
    Engine().ParseServerReply(nullptr);
    EXPECT_EQ(Engine().GetPollPeriod(), kEarlierPeriod);
}

TEST_F(ServerReplyTest, OnlyTheBareSessionEndEndsTheSession)
{
    struct Case {
        const char* body;
        bool ended;
    } cases[] = {
        {"111111", true},      {"111111\n", false},
        {"111111\r\n", false}, {"111111\nPOL\t1\t30", false},
        {"1111111", false},    {" 111111", false},
    };
    for (const Case& c : cases) {
        Engine().SetSessionId("session-7");
        Engine().SetAuthorized(true);
        Engine().ParseServerReply(c.body);
        EXPECT_EQ(Engine().IsAuthorized(), !c.ended) << c.body;
        EXPECT_EQ(Engine().HasSessionId(), !c.ended) << c.body;
    }
}

TEST_F(ServerReplyTest, WholeBodyOfOneReadIsParsed)
{
    // A reply read to its limit: 8,192 bytes of lines, the command last.
    const size_t kBodyLimit = 8192;
    const std::string last = "POL\t1\t30";
    const std::string filler = "XYZ\t1\t2\tpadding\n";
    std::string body;
    size_t fillers = 0;
    for (; body.size() + filler.size() + last.size() < kBodyLimit; ++fillers)
        body += filler;
    body += std::string(kBodyLimit - body.size() - last.size() - 1, 'x') + "\n" + last;
    ASSERT_EQ(body.size(), kBodyLimit);
    CFakePlugIn& recorder = PlugIn("XYZ", CFakePlugIn::AddAnswer::Decline);
    Engine().SetPollPeriod(kEarlierPeriod);
    Engine().ParseServerReply(body.c_str());
    EXPECT_EQ(Engine().GetPollPeriod(), 30);
    EXPECT_EQ(recorder.m_lines.size(), fillers);
}

TEST_F(ServerReplyTest, PlugInsSeeLinesBeforeTheCommandTable)
{
    CFakePlugIn& taker = PlugIn("POLRPL");
    CFakePlugIn& decliner = PlugIn("BFCBFS", CFakePlugIn::AddAnswer::Decline);
    Engine().SetPollPeriod(kEarlierPeriod);
    Engine().ParseServerReply("POL\t1\t30\r\nBFC\t5\r\nRPL\nBFS\t20000");
    // Taken lines are not commands; a declined line still is.
    EXPECT_EQ(Engine().GetPollPeriod(), kEarlierPeriod);
    EXPECT_TRUE(taker.m_sets.empty());
    EXPECT_EQ(Engine().GetMaxBufferCount(), 5u);
    EXPECT_EQ(Engine().GetMaxBufferSize(), 20000u);
    // Lines reach the plug-ins as they came, CR included.
    EXPECT_EQ(taker.m_lines, (std::vector<std::wstring>{L"POL\t1\t30\r", L"RPL"}));
    EXPECT_EQ(decliner.m_lines, (std::vector<std::wstring>{L"BFC\t5\r", L"BFS\t20000"}));
}

std::string Block(char mark, size_t bytes)
{
    std::string block(bytes, '.');
    block[0] = mark;
    return block;
}

TEST_F(ServerReplyTest, CacheJoinsResultsWithinTheBufferSize)
{
    Engine().SetMaxBufferSize(16384);
    struct Step {
        size_t bytes;
        std::vector<size_t> lengths;  // of the buffers afterwards
    } steps[] = {
        {0, {0}},  // the first result opens the first buffer
        {10000, {10000}},
        {6384, {16384}},             // up to the size exactly
        {2, {16384, 2}},             // beyond it: a new buffer
        {1, {16384, 3}},             // a single byte is kept too
        {20000, {16384, 3, 20000}},  // larger than the size: a buffer of its own
        {10, {16384, 3, 20000, 10}},
        {0, {16384, 3, 20000, 10}},
    };
    for (const Step& s : steps) {
        Add(std::string(s.bytes, 'r'));
        std::vector<size_t> lengths;
        for (const std::string& b : Engine().CachedBuffers())
            lengths.push_back(b.size());
        EXPECT_EQ(lengths, s.lengths) << s.bytes << " bytes";
    }
}

TEST_F(ServerReplyTest, LargeFirstResultStaysWhole)
{
    Engine().SetMaxBufferSize(16384);
    Add(Block('A', 30000));
    Add(Block('B', 4));
    EXPECT_EQ(Engine().CachedBuffers(),
              (std::vector<std::string>{Block('A', 30000), Block('B', 4)}));
}

TEST_F(ServerReplyTest, FifteenthBufferPushesOutTheOldest)
{
    Engine().SetAuthorized(true);
    for (char mark = 'a'; mark < 'a' + 15; ++mark)
        Add(Block(mark, kDefaultMaxBufferSize));
    std::vector<std::string> buffers = Engine().CachedBuffers();
    ASSERT_EQ(buffers.size(), kDefaultMaxBufferCount);
    EXPECT_EQ(buffers.front()[0], 'b');
    EXPECT_EQ(buffers.back()[0], 'o');
    // Sent oldest first; the dropped one never.
    std::string order;
    for (std::string taken = Take(); !taken.empty(); taken = Take()) {
        EXPECT_EQ(taken.size(), kDefaultMaxBufferSize);
        order += taken[0];
        Engine().FinishSend();
    }
    EXPECT_EQ(order, "bcdefghijklmno");
}

TEST_F(ServerReplyTest, BufferLimitCommandsApplyToTheNextResult)
{
    for (char mark = 'a'; mark < 'a' + 10; ++mark)
        Add(Block(mark, kDefaultMaxBufferSize));
    Dispatch({"BFC", "4"});
    Dispatch({"BFS", "16384"});
    Add(Block('k', 10000));
    Add(Block('l', 10000));  // 20,000 > 16,384: a new buffer
    std::string marks;
    for (const std::string& b : Engine().CachedBuffers())
        marks += b[0];
    EXPECT_EQ(marks, "ijkl");
    Dispatch({"BFC", "6"});
    Add(Block('m', 16384));
    Add(Block('n', 16384));
    marks.clear();
    for (const std::string& b : Engine().CachedBuffers())
        marks += b[0];
    EXPECT_EQ(marks, "ijklmn");
}

TEST_F(ServerReplyTest, SendBlockStaysInFlightUntilSent)
{
    Engine().SetMaxBufferSize(16384);
    Add(Block('a', 16384));
    Add(Block('b', 16384));
    // Logged out: a login carries no body, and the cache stays as it is.
    EXPECT_EQ(Take(), "");
    EXPECT_EQ(Engine().CachedBuffers().size(), 2u);

    Engine().SetAuthorized(true);
    EXPECT_EQ(Take(), Block('a', 16384));
    EXPECT_EQ(Engine().InFlight(), Block('a', 16384));
    EXPECT_EQ(Engine().CachedBuffers(), std::vector<std::string>{Block('b', 16384)});
    // A failed send posts the same bytes again; new results still enter the cache.
    Add(Block('c', 16384));
    EXPECT_EQ(Take(), Block('a', 16384));
    EXPECT_EQ(Engine().CachedBuffers().size(), 2u);

    Engine().FinishSend();
    EXPECT_EQ(Take(), Block('b', 16384));
    Engine().FinishSend();
    EXPECT_EQ(Take(), Block('c', 16384));
    Engine().FinishSend();
    EXPECT_EQ(Take(), "");  // nothing left: an empty post
    EXPECT_TRUE(Engine().CachedBuffers().empty());
}

TEST_F(ServerReplyTest, CacheLimitCountsOnlyTheListNotTheBufferInFlight)
{
    Engine().SetAuthorized(true);
    Dispatch({"BFC", "4"});
    Dispatch({"BFS", "16384"});
    for (char mark = 'a'; mark < 'a' + 4; ++mark)
        Add(Block(mark, 16384));
    EXPECT_EQ(Take()[0], 'a');
    for (char mark = 'e'; mark < 'e' + 3; ++mark)
        Add(Block(mark, 16384));
    std::string marks;
    for (const std::string& b : Engine().CachedBuffers())
        marks += b[0];
    EXPECT_EQ(marks, "defg");
    EXPECT_EQ(Take()[0], 'a');
}

TEST_F(ServerReplyTest, CollectionFillsTheCache)
{
    Engine().SetAuthorized(true);
    PlugIn("MMA").m_pending = "first;";
    PlugIn("CUA");
    PlugIn("DKA").m_pending = "second;";
    Engine().CollectPlugInData();
    EXPECT_EQ(Take(), "first;second;");
}

}  // namespace
