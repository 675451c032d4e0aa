#include "proc_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_process_source.h"
#include "process_records.h"

namespace {

const char kNotRunning[] = "The process is not running";

std::vector<std::string> Texts(const std::vector<ProcLogLine>& log)
{
    std::vector<std::string> texts;
    for (const ProcLogLine& line : log)
        texts.push_back(std::to_string(line.level) + " " + line.text);
    return texts;
}

class ProcCheckerTest : public ::testing::Test {
protected:
    bool Line(const std::string& line, bool* checkNow = nullptr)
    {
        bool now = false;
        bool taken = checker.ProcessLine(line.c_str(), &now);
        if (checkNow)
            *checkNow = now;
        return taken;
    }

    std::vector<ProcRecord> Pass(bool forced = false)
    {
        std::string bytes;
        checker.CheckPass(forced, &bytes);
        std::vector<ProcRecord> records = ReadProcRecords(bytes);
        EXPECT_EQ(bytes.empty(), records.empty()) << "bytes that do not add up";
        return records;
    }

    CFakeProcessSource host;
    CProcChecker checker{host};
};

// Lines as the server sends them: what each answers, logs and leaves in the test list.
TEST_F(ProcCheckerTest, LineTable)
{
    const std::string adding = "1 tol_proc: adding test... ";
    const std::string added = "1 tol_proc: test added successfully...";
    struct {
        std::string line;
        bool taken;
        bool checkNow;
        std::vector<std::string> log;  // after "processing test"
    } const cases[] = {
        {"PRA\t5\t3\t80\t100\t200\ta.exe",
         true,
         true,
         {adding + "pname:'a.exe', tid:5, lid:3, max_cpu:80, max_wss:100, max_pfs:200", added}},
        // The same name again (exact case) is skipped, whatever its id.
        {"PRA\t6\t3\t-1\t-1\t-1\ta.exe",
         true,
         false,
         {adding + "pname:'a.exe', tid:6, lid:3, max_cpu:-1, max_wss:-1, max_pfs:-1",
          "1 tol_proc: found duplicated process. skipping..."}},
        // The same id with another name (or another case) is a test of its own.
        {"PRA\t5\t3\t-1\t-1\t-1\tA.EXE",
         true,
         true,
         {adding + "pname:'A.EXE', tid:5, lid:3, max_cpu:-1, max_wss:-1, max_pfs:-1", added}},
        {"PRA\t-7\t1\t-1\t-1\t-1\tneg.exe",
         true,
         true,
         {adding + "pname:'neg.exe', tid:-7, lid:1, max_cpu:-1, max_wss:-1, max_pfs:-1", added}},
        {"PRA\t0\t1\t-1\t-1\t-1\tzero.exe", false, false, {}},
        {"PRA\tx\t1\t-1\t-1\t-1\tzero.exe", false, false, {}},
        {"PRM\t5\t9\t10\t20\t30\tb.exe",
         true,
         true,
         {"1 tol_proc: modifing test... pname:'b.exe', tid:5, lid:9, max_cpu:10, max_wss:20, "
          "max_pfs:30"}},
        {"PRM\t77\t9\t10\t20\t30\tb.exe",
         false,
         false,
         {"1 tol_proc: modifing test... pname:'b.exe', tid:77, lid:9, max_cpu:10, max_wss:20, "
          "max_pfs:30"}},
        {"PRM\t-7\t1\t1\t1\t1\tneg.exe", false, false, {}},
        {"PRM\t0\t1\t1\t1\t1\tneg.exe", false, false, {}},
        {"PRD\t0\t0", false, false, {}},
        {"PRD\t5", false, false, {"1 tol_proc: Incorrect test format!"}},
        {"PRD\t5\t0\t0", false, false, {"1 tol_proc: Incorrect test format!"}},
        {"PRA\t8\t1\t-1\t-1\t-1", false, false, {"1 tol_proc: Incorrect test format!"}},
        {"PRX\t8\t1", false, false, {"1 tol_proc: Incorrect test format!"}},
        {"\t\t\t", false, false, {"1 tol_proc: Incorrect test format!"}},
        {"PRD\t404\t0", true, false, {"1 tol_proc: removing test... tid:404"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        bool checkNow = true;
        EXPECT_EQ(c.taken, Line(c.line, &checkNow));
        EXPECT_EQ(c.checkNow, checkNow);
        std::vector<std::string> log = Texts(checker.TakeLog());
        std::vector<std::string> expected = {"1 tol_proc: processing test: '" + c.line + "'"};
        expected.insert(expected.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(expected, log);
    }
    // Left: tid 5 "b.exe" (modified), tid 5 "A.EXE", tid -7 "neg.exe".
    ASSERT_EQ(3u, checker.Tests().Size());
    // A negative id that an add took, a delete takes as well.
    EXPECT_TRUE(Line("PRD\t-7\t0"));
    EXPECT_EQ(nullptr, checker.Tests().Find(-7));
    ASSERT_EQ(2u, checker.Tests().Size());
    EXPECT_TRUE(checker.Tests().Find(5)->pname == L"b.exe");
    EXPECT_EQ(9, checker.Tests().Find(5)->lid);

    // A delete takes the first test of the id, then the next.
    EXPECT_TRUE(Line("PRD\t5\t0"));
    EXPECT_TRUE(checker.Tests().Find(5)->pname == L"A.EXE");
    EXPECT_TRUE(Line("PRD\t5\t0"));
    EXPECT_EQ(nullptr, checker.Tests().Find(5));
    EXPECT_EQ(0u, checker.Tests().Size());
}

TEST_F(ProcCheckerTest, EmptyLineSaysNothing)
{
    bool checkNow = true;
    EXPECT_FALSE(checker.ProcessLine("", &checkNow));
    EXPECT_FALSE(checker.ProcessLine(nullptr, &checkNow));
    EXPECT_FALSE(checkNow);
    EXPECT_TRUE(checker.TakeLog().empty());
}

TEST_F(ProcCheckerTest, RecordsOfOnePass)
{
    auto& first = host.Run(12, L"w.exe");
    first.wss = 64.5;
    first.pfs = 20.25;
    host.Run(16, L"other.exe");
    auto& second = host.Run(20, L"w.exe");
    second.wss = 1;
    ASSERT_TRUE(Line("PRA\t4\t2\t-1\t64\t-1\tw.exe"));
    ASSERT_TRUE(Line("PRA\t9\t1\t-1\t-1\t-1\tgone.exe"));
    checker.TakeLog();

    std::vector<ProcRecord> records = Pass();
    ASSERT_EQ(3u, records.size());
    // Two processes of one name: one record each, in snapshot order, each with its own text.
    const ProcRecord& a = records[0];
    EXPECT_EQ(43u, a.type);
    EXPECT_EQ(4u, a.tid);
    EXPECT_EQ(2u, a.lid);
    EXPECT_EQ(12u, a.pid);
    EXPECT_EQ(2u, a.status);
    EXPECT_DOUBLE_EQ(64.5, a.wss);
    EXPECT_DOUBLE_EQ(20.25, a.pfs);
    EXPECT_EQ("Current Working set size: 64.50 MB / Max value: 64\n", a.text);
    EXPECT_EQ(20u, records[1].pid);
    EXPECT_EQ(0u, records[1].status);
    // They share the test's alarm state: the second takes back what the first announced.
    EXPECT_EQ("Current Working set size is within acceptable limits.\n", records[1].text);
    const ProcRecord& gone = records[2];
    EXPECT_EQ(9u, gone.tid);
    EXPECT_EQ(0u, gone.pid);
    EXPECT_EQ(3u, gone.status);
    EXPECT_EQ(kNotRunning, gone.text);
    EXPECT_EQ(0.0, gone.cpu + gone.wss + gone.pfs);

    EXPECT_EQ((std::vector<std::string>{
                  "5 tol_proc: begin checking. test count: 2",
                  "4 tol_proc: checking tid: 4, lid: 2, pname 'w.exe'",
                  "1 tol_proc: tid: 4, lid: 2, pname: 'w.exe', pid: 12, cpu:0.00%, wss:64.50 MB, "
                  "pfs:20.25 MB",
                  "1 tol_proc: tid: 4, lid: 2, pname: 'w.exe', pid: 20, cpu:0.00%, wss:1.00 MB, "
                  "pfs:0.00 MB",
                  "4 tol_proc: checking tid: 9, lid: 1, pname 'gone.exe'",
                  "1 tol_proc: tid:9, lid:1, pname'gone.exe'. The process is not running",
                  "5 tol_proc: end checking"}),
              Texts(checker.TakeLog()));
}

TEST_F(ProcCheckerTest, EmptyTextTravelsAsNA)
{
    host.Run(12, L"w.exe");
    ASSERT_TRUE(Line("PRA\t4\t2\t-1\t-1\t-1\tw.exe"));
    std::vector<ProcRecord> records = Pass();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("N/A", records[0].text);
}

TEST_F(ProcCheckerTest, ForcedPassMeasuresOnlyNewTests)
{
    host.Run(12, L"a.exe");
    host.Run(13, L"b.exe");
    ASSERT_TRUE(Line("PRA\t1\t1\t-1\t-1\t-1\ta.exe"));
    EXPECT_EQ(1u, Pass(true).size());
    EXPECT_TRUE(Pass(true).empty());
    ASSERT_TRUE(Line("PRA\t2\t1\t-1\t-1\t-1\tb.exe"));
    std::vector<ProcRecord> records = Pass(true);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(2u, records[0].tid);
    // A modified test is new again; a timer pass measures every test.
    ASSERT_TRUE(Line("PRM\t1\t1\t-1\t-1\t-1\ta.exe"));
    EXPECT_EQ(1u, Pass(true).size());
    EXPECT_EQ(2u, Pass(false).size());
}

TEST_F(ProcCheckerTest, OneSnapshotPerPassWhateverTheTests)
{
    for (int tid = 1; tid <= 5; ++tid)
        ASSERT_TRUE(Line("PRA\t" + std::to_string(tid) + "\t1\t-1\t-1\t-1\tp" +
                         std::to_string(tid) + ".exe"));
    host.snapshots = 0;
    EXPECT_EQ(5u, Pass().size());
    EXPECT_EQ(1, host.snapshots);
    // A forced pass with nothing new measures nothing and takes no snapshot.
    EXPECT_TRUE(Pass(true).empty());
    EXPECT_EQ(1, host.snapshots);
}

TEST_F(ProcCheckerTest, StoppedProcessEachPassThenStartedOnce)
{
    host.Run(30, L"svc.exe");
    ASSERT_TRUE(Line("PRA\t3\t1\t-1\t-1\t-1\tsvc.exe"));
    EXPECT_EQ("N/A", Pass().at(0).text);
    host.End(30);
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<ProcRecord> records = Pass();
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(3u, records[0].status);
        EXPECT_EQ(kNotRunning, records[0].text);
    }
    host.Run(34, L"svc.exe");
    std::vector<ProcRecord> back = Pass();
    ASSERT_EQ(1u, back.size());
    EXPECT_EQ(34u, back[0].pid);
    EXPECT_EQ(0u, back[0].status);
    EXPECT_EQ("The process has been started.\n", back[0].text);
    EXPECT_EQ("N/A", Pass().at(0).text);
}

TEST_F(ProcCheckerTest, FailedSnapshotCountsAsNotRunning)
{
    host.Run(30, L"svc.exe");
    ASSERT_TRUE(Line("PRA\t3\t1\t-1\t-1\t-1\tsvc.exe"));
    host.snapshotFails = true;
    std::vector<ProcRecord> records = Pass();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(3u, records[0].status);
    host.snapshotFails = false;
    EXPECT_EQ("The process has been started.\n", Pass().at(0).text);
}

TEST_F(ProcCheckerTest, ProcessThatCannotBeReadStillGetsItsResult)
{
    auto& closed = host.Run(40, L"x.exe");
    closed.openable = false;
    closed.wss = 500;
    auto& timeless = host.Run(44, L"x.exe");
    timeless.timesReadable = false;
    timeless.wss = 3;
    ASSERT_TRUE(Line("PRA\t3\t1\t0\t-1\t-1\tx.exe"));
    std::vector<ProcRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(40u, records[0].pid);
    EXPECT_EQ(0.0, records[0].cpu + records[0].wss + records[0].pfs);
    EXPECT_EQ(3.0, records[1].wss);
    // A CPU limit of 0 fails even at 0 %.
    EXPECT_EQ(2u, records[0].status);
    EXPECT_FALSE(checker.Samples().Has(40));
    EXPECT_FALSE(checker.Samples().Has(44));
}

// CPU usage through the checker: the add takes the first sample, processors divide it.
TEST_F(ProcCheckerTest, CpuUsageAndItsLimitAcrossPasses)
{
    host.processors = 4;
    auto& busy = host.Run(50, L"busy.exe");
    busy.cpuMs = 1000;
    ASSERT_TRUE(Line("PRA\t6\t1\t50\t-1\t-1\tbusy.exe"));
    struct {
        int wallMs;
        uint32_t cpuMs;
        double usage;
        unsigned status;
        std::string text;
    } const passes[] = {
        // Busy on two of the four processors: 50 %, at the limit.
        {10000, 21000, 50, 2, "Current CPU usage: 50.00% / Max value: 50\n"},
        {10000, 41000, 50, 2, "Current CPU usage: 50.00% / Max value: 50\n"},
        {10000, 51000, 25, 0, "Current CPU usage is within acceptable limits.\n"},
        {10000, 91000, 100, 2, "Current CPU usage: 100.00% / Max value: 50\n"},
        {10000, 91000, 0, 0, "Current CPU usage is within acceptable limits.\n"},
        // A pass 15 ms on: 250 ms of CPU time on four processors is no 416 % but 100 %, and
        // the limit fails this once.
        {15, 91250, 100, 2, "Current CPU usage: 100.00% / Max value: 50\n"},
        {10000, 91250, 0, 0, "Current CPU usage is within acceptable limits.\n"},
    };
    for (const auto& pass : passes) {
        host.Advance(pass.wallMs);
        busy.cpuMs = pass.cpuMs;
        std::vector<ProcRecord> records = Pass();
        ASSERT_EQ(1u, records.size());
        EXPECT_NEAR(pass.usage, records[0].cpu, 1e-9) << pass.text;
        EXPECT_EQ(pass.status, records[0].status) << pass.text;
        EXPECT_EQ(pass.text, records[0].text);
    }
}

TEST_F(ProcCheckerTest, SamplesOfEndedProcessesGoAfterTwoHours)
{
    host.Run(60, L"a.exe");
    host.Run(61, L"b.exe");
    ASSERT_TRUE(Line("PRA\t1\t1\t-1\t-1\t-1\ta.exe"));
    ASSERT_TRUE(Line("PRA\t2\t1\t-1\t-1\t-1\tb.exe"));
    host.SetClock(23, 30, 0, 0);
    Pass();
    host.End(61);
    host.SetClock(0, 45, 0, 0);
    Pass();
    EXPECT_TRUE(checker.Samples().Has(61));
    host.SetClock(1, 30, 0, 0);
    Pass();
    EXPECT_FALSE(checker.Samples().Has(61));
    EXPECT_TRUE(checker.Samples().Has(60));
}

TEST_F(ProcCheckerTest, RemoveAllEmptiesTheList)
{
    ASSERT_TRUE(Line("PRA\t1\t1\t-1\t-1\t-1\ta.exe"));
    ASSERT_TRUE(Line("PRA\t2\t1\t-1\t-1\t-1\tb.exe"));
    checker.RemoveAllTests();
    EXPECT_EQ(0u, checker.Tests().Size());
    checker.TakeLog();
    EXPECT_TRUE(Pass().empty());
}

}  // namespace
