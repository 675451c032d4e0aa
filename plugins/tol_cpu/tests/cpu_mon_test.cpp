// The processor worker's test list and check passes, measured through scripted counters and a
// scripted SNMP agent: local figures with a nested record per processor, the UCD counters, the
// processor load walk, and remote hosts that give no figures.
#include "CPUmon.h"
#include "cpu_times_sample.h"
#include "record_reader.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Two processors: every reading adds the next scripted step to the counters.
class SteppingCounters : public ICpuCounters {
public:
    int ProcessorCount() override { return 2; }
    bool ProcessorTimes(int, std::vector<CpuTimes>* times) override
    {
        ++reads;
        if (failNext) {
            failNext = false;
            return false;
        }
        if (!steps.empty()) {
            for (size_t i = 0; i < 2; ++i) {
                now[i].idle += steps.front()[i].idle;
                now[i].kernel += steps.front()[i].kernel;
                now[i].user += steps.front()[i].user;
            }
            steps.pop_front();
        }
        *times = now;
        return true;
    }
    bool SystemTimes(CpuTimes* times) override
    {
        *times = CpuTimes();
        for (const CpuTimes& t : now) {
            times->idle += t.idle;
            times->kernel += t.kernel;
            times->user += t.user;
        }
        return true;
    }

    std::vector<CpuTimes> now = std::vector<CpuTimes>(2);
    std::deque<std::vector<CpuTimes>> steps;
    bool failNext = false;
    int reads = 0;
};

class ScriptedSnmp : public ISnmpQueries {
public:
    int Get(const char* host, const std::vector<std::string>& oids,
            std::vector<std::string>* values, std::vector<unsigned int>* syntax,
            unsigned long waitMs) override
    {
        calls.push_back("get " + std::string(host) + " " + std::to_string(waitMs) + " " +
                        std::to_string(oids.size()));
        *values = counters;
        *syntax = std::vector<unsigned int>(counters.size(), counterSyntax);
        return results.count(host) ? results[host] : kSnmpQueryOk;
    }
    int Walk(const char* host, const char* root, std::vector<SnmpRow>* rows,
             const SnmpStopCheck& stopped) override
    {
        calls.push_back("walk " + std::string(host) + " " + root);
        if (onWalk)
            onWalk(stopped);
        *rows = loads;
        return results.count(host) ? results[host] : kSnmpQueryOk;
    }

    std::vector<std::string> counters = {"300", "100", "200", "350", "50", "0", "0"};
    unsigned int counterSyntax = kSnmpCodeCounter32;
    std::vector<SnmpRow> loads = {{"1.3.6.1.2.1.25.3.3.1.2.196608", kSnmpCodeInteger, "12"},
                                  {"1.3.6.1.2.1.25.3.3.1.2.196609", kSnmpCodeInteger, "30"}};
    std::map<std::string, int> results;
    std::vector<std::string> calls;
    std::function<void(const SnmpStopCheck&)> onWalk;
};

class Worker : public CCPUmon<CRecordingOwner> {
public:
    explicit Worker(ICpuCounters& counters) : CCPUmon<CRecordingOwner>(counters) {}
    bool StopAsked() const { return this->StopRequested(); }
};

class CpuMonTest : public ::testing::Test {
protected:
    CpuMonTest() : worker(counters)
    {
        worker.m_owner = &owner;
        worker.SetQueries(&snmp);
        // Processor 0: 75 % busy, 25 % of it in kernel mode; processor 1: idle.
        counters.steps = {{Times(25, 50, 50), Times(100, 100, 0)}};
    }

    void Add(const std::string& line) { worker.ProcessTest(line.c_str()); }

    std::vector<ReadRecord> Pass()
    {
        size_t before = owner.results.size();
        worker.Check(false);
        std::vector<ReadRecord> records;
        for (size_t i = before; i < owner.results.size(); ++i) {
            records.push_back(ReadResultRecord(owner.results[i]));
            EXPECT_TRUE(records.back().ok);
            EXPECT_EQ("tol_cpu: New data is available.", owner.descriptions[i]);
        }
        return records;
    }

    std::vector<std::string> EventsSince(size_t from) const
    {
        return std::vector<std::string>(owner.events.begin() + static_cast<long>(from),
                                        owner.events.end());
    }

    CRecordingOwner owner;
    SteppingCounters counters;
    ScriptedSnmp snmp;
    Worker worker;
};

TEST_F(CpuMonTest, LocalTestsReportTheSystemAndEachProcessor)
{
    Add("CUA\t1\t7\t-1\t-1\t-1\t-1\t-1");
    Add("CUA\t2\t7\t0\t-1\t-1\t-1\t-1");
    Add("CUA\t3\t7\t-1\t-1\t12\t-1\t-1\t\t");  // a host field left empty: local
    int reads = counters.reads;
    std::vector<ReadRecord> records = Pass();
    EXPECT_EQ(reads + 1, counters.reads);  // one reading for the pass
    ASSERT_EQ(3u, records.size());
    for (const ReadRecord& r : records) {
        EXPECT_EQ((std::vector<uint32_t>{44, r.ui32[1], 7, r.ui32[3]}), r.ui32);
        // (75 + 0) of 200 busy; (25 + 0) of 200 in kernel mode.
        EXPECT_EQ((std::vector<double>{37.5, 12.5, -1, -1, -1}), r.d64);
        ASSERT_EQ(2u, r.nested.size());
        EXPECT_EQ((std::vector<double>{75, 25, 0, 0, 0}), r.nested[0].d64);
        EXPECT_EQ((std::vector<double>{0, 0, 0, 0, 0}), r.nested[1].d64);
        EXPECT_EQ((std::vector<uint32_t>{0, 1, 0, 0, 5, 1}),
                  std::vector<uint32_t>(r.nested[0].capacities, r.nested[0].capacities + 6));
    }
    EXPECT_EQ((std::vector<std::string>{"CPU usage is within acceptable limits\n"}),
              records[0].texts);
    EXPECT_EQ("CPU0 usage is within acceptable limits\n", records[0].nested[0].texts[0]);
    EXPECT_EQ("CPU1 usage is within acceptable limits\n", records[0].nested[1].texts[0]);
    // user_max 0: the system and the busy processor fail it, the idle one keeps it.
    EXPECT_EQ(2u, records[1].ui32[3]);
    EXPECT_EQ("Current CPU Usage(%): 38 | Threshold set: 0\n", records[1].texts[0]);
    EXPECT_EQ((std::vector<uint32_t>{2}), records[1].nested[0].ui32);
    EXPECT_EQ("Current CPU0 usage(%): 75 | Threshold set: 0\n", records[1].nested[0].texts[0]);
    EXPECT_EQ((std::vector<uint32_t>{0}), records[1].nested[1].ui32);
    // nice_max is not measured locally: not tested.
    EXPECT_EQ(0u, records[2].ui32[3]);
    EXPECT_TRUE(snmp.calls.empty());
}

TEST_F(CpuMonTest, UnreadableTimesSkipThePassAndKeepTheBaselines)
{
    Add("CUA\t1\t7\t-1\t-1\t-1\t-1\t-1\t127.0.16.1\tlinux");
    counters.failNext = true;
    size_t from = owner.events.size();
    EXPECT_TRUE(Pass().empty());
    EXPECT_TRUE(EventsSince(from).empty());
    EXPECT_TRUE(snmp.calls.empty());
    Add("CUA\t2\t7\t-1\t-1\t-1\t-1\t-1");
    std::vector<ReadRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(37.5, records[1].d64[0]);  // measured since the constructor's reading
}

TEST_F(CpuMonTest, RemoteLinuxHostsGiveUcdShares)
{
    Add("CUA\t5\t1\t20\t-1\t5\t40\t-1\t127.0.16.1\tLINUX");
    size_t from = owner.events.size();
    std::vector<ReadRecord> records = Pass();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ((std::vector<double>{30, 0, 10, 35, 5}), records[0].d64);
    EXPECT_TRUE(records[0].nested.empty());
    EXPECT_EQ(2u, records[0].ui32[3]);
    EXPECT_EQ(
        "Current CPU Usage(%): 30 | Threshold set: 20\n"
        "Current Nice CPU usage(%): 10 | Threshold set: 5\n"
        "Current Idle CPU usage(%): 35 | Threshold set: 40\n",
        records[0].texts[0]);
    EXPECT_EQ((std::vector<std::string>{"get 127.0.16.1 10000 7"}), snmp.calls);
    EXPECT_EQ((std::vector<std::string>{
                  "5 tol_cpu: begin checking. test count: 1", "4 tol_cpu: checking tid: 5, lid: 1",
                  "4 tol_cpu: remote test: host: '127.0.16.1'",
                  "4 tol_cpu: remote test: GetOIDValuesFromHost for linux succeeded.",
                  "1 tol_cpu: tid: 5, lid: 1, cpu_usage: 30.00, krn_usage: 0.00, nice_max: 10.00, "
                  "idle_min: 35.00, iowait_max: 5.00",
                  "5 tol_cpu: end checking"}),
              EventsSince(from));
}

TEST_F(CpuMonTest, OtherRemoteHostsGiveTheAverageProcessorLoad)
{
    Add("CUA\t6\t1\t20\t0\t0\t90\t0\t127.0.16.1");
    Add("CUA\t7\t1\t-1\t-1\t-1\t-1\t-1\t127.0.16.1\twindows");
    std::vector<ReadRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    for (const ReadRecord& r : records)
        EXPECT_EQ((std::vector<double>{21, -1, -1, -1, -1}), r.d64);
    EXPECT_EQ("Current CPU Usage(%): 21 | Threshold set: 20\n", records[0].texts[0]);
    EXPECT_EQ((std::vector<std::string>{"walk 127.0.16.1 1.3.6.1.2.1.25.3.3.1.2",
                                        "walk 127.0.16.1 1.3.6.1.2.1.25.3.3.1.2"}),
              snmp.calls);
    EXPECT_NE(owner.events.end(),
              std::find(owner.events.begin(), owner.events.end(),
                        "4 tol_cpu: remote test: GetOIDValuesFromHost for non-linux succeeded."));
}

TEST_F(CpuMonTest, RemoteHostsThatGiveNoFigures)
{
    snmp.results = {{"silent", kSnmpQueryNoAnswer},
                    {"unset", kSnmpQuerySetupFailed},
                    {"unsent", kSnmpQuerySendFailed}};
    Add("CUA\t1\t1\t0\t0\t0\t100\t0\tsilent\tlinux");
    Add("CUA\t2\t1\t0\t0\t0\t100\t0\tsilent");
    Add("CUA\t3\t1\t0\t0\t0\t100\t0\tunset\tlinux");
    Add("CUA\t4\t1\t0\t0\t0\t100\t0\tunsent");
    std::vector<ReadRecord> failed = Pass();
    snmp.results.clear();
    snmp.loads.clear();                                   // a walk without rows
    snmp.counters = {"0", "0", "0", "0", "0", "0", "0"};  // counters not counted yet
    std::vector<ReadRecord> empty = Pass();
    snmp.counters.assign(7, "5");
    snmp.counterSyntax = 20;  // no such object
    std::vector<ReadRecord> missing = Pass();
    ASSERT_EQ(4u, failed.size());
    ASSERT_EQ(4u, empty.size());
    ASSERT_EQ(4u, missing.size());
    const unsigned int statuses[][4] = {{13, 13, 11, 12}, {10, 10, 10, 10}, {10, 10, 10, 10}};
    const std::vector<ReadRecord>* passes[] = {&failed, &empty, &missing};
    for (size_t p = 0; p < 3; ++p)
        for (size_t i = 0; i < 4; ++i) {
            const ReadRecord& r = (*passes[p])[i];
            EXPECT_EQ(statuses[p][i], r.ui32[3]) << p << " " << i;
            EXPECT_EQ(std::vector<double>(5, -1.0), r.d64) << p << " " << i;
            EXPECT_EQ((std::vector<std::string>{"N/A"}), r.texts) << p << " " << i;
            EXPECT_TRUE(r.nested.empty());
        }
    EXPECT_NE(owner.events.end(),
              std::find(owner.events.begin(), owner.events.end(),
                        "4 tol_cpu: remote test: GetOIDValuesFromHost failed: retVal: 3"));
}

TEST_F(CpuMonTest, LinesChangeTheList)
{
    const struct {
        const char* line;
        bool result;
        std::vector<std::string> events;
    } steps[] = {
        {"CUA\t4\t5\t11\t12\t80\t20",
         true,
         {"1 tol_cpu: processing test: 'CUA\t4\t5\t11\t12\t80\t20'",
          "1 tol_cpu: adding test... tid:4, lid:5, user_max:80.00, kernel_max:20.00, "
          "nice_max:-1.00, "
          "idle_min:-1.00, iowait_max:-1.00, hostAddr: , system ",
          "1 tol_cpu: test added successfully..."}},
        {"CUA\t4\t6\t1\t1\t1\t1\t1",
         true,
         {"1 tol_cpu: processing test: 'CUA\t4\t6\t1\t1\t1\t1\t1'",
          "1 tol_cpu: adding test... tid:4, lid:6, user_max:1.00, kernel_max:1.00, nice_max:1.00, "
          "idle_min:1.00, iowait_max:1.00, hostAddr: , system ",
          "1 tol_cpu: found duplicated test. skipping..."}},
        {"CUA\t0\t6\t1\t1\t1\t1\t1",
         true,
         {"1 tol_cpu: processing test: 'CUA\t0\t6\t1\t1\t1\t1\t1'"}},
        {"CUM\t9\t6\t1\t1\t1\t1\t1\th\tlinux",
         true,
         {"1 tol_cpu: processing test: 'CUM\t9\t6\t1\t1\t1\t1\t1\th\tlinux'",
          "1 tol_cpu: modifing test... tid:9, lid:6, user_max:1.00, kernel_max:1.00, "
          "nice_max:1.00, "
          "idle_min:1.00, iowait_max:1.00, hostAddr: h, system linux"}},
        {"CUA\t4\t5\t1\t2\t3\t4\t5\th\tlinux\tx",
         false,
         {"1 tol_cpu: processing test: 'CUA\t4\t5\t1\t2\t3\t4\t5\th\tlinux\tx'",
          "1 tol_cpu: Incorrect test format!"}},
        {"CUD", false, {"1 tol_cpu: processing test: 'CUD'", "1 tol_cpu: Incorrect test format!"}},
        {"CUD\t-2", true, {"1 tol_cpu: processing test: 'CUD\t-2'"}},
        {"CUD\t8",
         true,
         {"1 tol_cpu: processing test: 'CUD\t8'", "1 tol_cpu: removing test... tid:8"}},
    };
    for (const auto& step : steps) {
        size_t from = owner.events.size();
        EXPECT_EQ(step.result, worker.ProcessTest(step.line)) << step.line;
        EXPECT_EQ(step.events, EventsSince(from)) << step.line;
    }
    std::vector<ReadRecord> records = Pass();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(5u, records[0].ui32[2]);
    Add("CUM\t4\t8\t-1\t-1\t-1\t-1\t-1\t127.0.16.1\tlinux");
    Add("CUD\t4\t0");
    EXPECT_TRUE(Pass().empty());
    EXPECT_FALSE(worker.ProcessTest(""));
}

TEST_F(CpuMonTest, PassEndsBetweenTestsOnceStopIsAsked)
{
    std::atomic<bool> walking{false};
    // The walk is told of the stop through the check the worker hands it.
    snmp.onWalk = [&](const SnmpStopCheck& stopped) {
        walking = true;
        while (!stopped())
            Sleep(1);
    };
    Add("CUA\t1\t1\t-1\t-1\t-1\t-1\t-1\t127.0.16.1");
    Add("CUA\t2\t1\t-1\t-1\t-1\t-1\t-1\t127.0.16.1");
    ASSERT_TRUE(worker.Start());
    Add("CUA\t3\t1\t-1\t-1\t-1\t-1\t-1");  // check-now: a pass on the worker's thread
    while (!walking)
        Sleep(1);
    worker.Stop();
    ASSERT_EQ(1u, owner.results.size());
    EXPECT_EQ(1u, ReadResultRecord(owner.results[0]).ui32[1]);
    EXPECT_EQ("5 tol_cpu: end checking", owner.events.back());
}

}  // namespace
