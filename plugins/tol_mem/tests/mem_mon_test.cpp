// The memory worker's test lists and check passes, measured through a scripted meter and a
// scripted SNMP agent: local figures, a remote storage table, the UCD load table, and every
// way a remote host can fail to give figures.
#include "MemMon.h"
#include "record_reader.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

class ScriptedMeter : public IMemMeter {
public:
    bool ReadLocal(MemFigures* local) override
    {
        ++reads;
        if (!ok)
            return false;
        *local = figures;
        return true;
    }

    bool ok = true;
    MemFigures figures;
    int reads = 0;
};

// An SNMP agent per host: the rows its walk gives and the values its GET answers (identifiers
// it does not know answer "no such object").
class ScriptedSnmp : public ISnmpQueries {
public:
    struct Host {
        int walkResult = kSnmpQueryOk;
        std::vector<SnmpRow> rows;
        int getResult = kSnmpQueryOk;
        std::map<std::string, std::pair<unsigned int, std::string>> mib;
    };

    int Get(const char* host, const std::vector<std::string>& oids,
            std::vector<std::string>* values, std::vector<unsigned int>* syntax,
            unsigned long waitMs) override
    {
        values->clear();
        syntax->clear();
        std::string asked;
        for (const std::string& oid : oids)
            if (!oid.empty())
                asked += (asked.empty() ? "" : ";") + oid;
        calls.push_back("get " + std::string(host) + " " + std::to_string(waitMs) + " " + asked);
        if (asked.empty())
            return kSnmpQueryNothingToAsk;
        auto it = hosts.find(host);
        if (it == hosts.end())
            return kSnmpQueryNoAnswer;
        if (it->second.getResult != kSnmpQueryOk)
            return it->second.getResult;
        for (const std::string& oid : oids) {
            auto value = it->second.mib.find(oid);
            bool known = value != it->second.mib.end();
            syntax->push_back(known ? value->second.first : 20u);
            values->push_back(known ? value->second.second : "no such object");
        }
        return kSnmpQueryOk;
    }

    int Walk(const char* host, const char* root, std::vector<SnmpRow>* rows,
             const SnmpStopCheck& stopped) override
    {
        calls.push_back("walk " + std::string(host) + " " + root);
        if (onWalk)
            onWalk(stopped);
        rows->clear();
        auto it = hosts.find(host);
        if (it == hosts.end())
            return kSnmpQueryNoAnswer;
        *rows = it->second.rows;
        return it->second.walkResult;
    }

    std::map<std::string, Host> hosts;
    std::vector<std::string> calls;
    std::function<void(const SnmpStopCheck&)> onWalk;
};

const std::string kDescr = "1.3.6.1.2.1.25.2.3.1.3.";
const unsigned int I = kSnmpCodeInteger;

// A Linux host's storage table: 8 GB physical (2 GB used), 12 GB virtual, 512 MB buffers,
// 1 GB cached, 4 GB swap (1 GB used), all in 1,024-byte units.
ScriptedSnmp::Host LinuxHost()
{
    ScriptedSnmp::Host host;
    const char* names[] = {"Physical memory", "Virtual memory", "Memory buffers",
                           "Cached memory",   "Shared memory",  "Swap space"};
    const char* indexes[] = {"1", "3", "6", "7", "8", "10"};
    const long sizes[] = {8388608, 12582912, 524288, 1048576, 1000, 4194304};
    const long used[] = {2097152, 3145728, 524288, 1048576, 1000, 1048576};
    for (int i = 0; i < 6; ++i) {
        host.rows.push_back(SnmpRow{kDescr + indexes[i], kSnmpCodeOctets, names[i]});
        host.mib["1.3.6.1.2.1.25.2.3.1.4." + std::string(indexes[i])] = {I, "1024"};
        host.mib["1.3.6.1.2.1.25.2.3.1.5." + std::string(indexes[i])] = {I,
                                                                         std::to_string(sizes[i])};
        host.mib["1.3.6.1.2.1.25.2.3.1.6." + std::string(indexes[i])] = {I,
                                                                         std::to_string(used[i])};
    }
    host.mib["1.3.6.1.4.1.2021.10.1.3.1"] = {kSnmpCodeOctets, "0.52"};
    host.mib["1.3.6.1.4.1.2021.10.1.3.2"] = {kSnmpCodeOctets, "2.00"};
    host.mib["1.3.6.1.4.1.2021.10.1.3.3"] = {kSnmpCodeOctets, "3.10"};
    return host;
}

// The worker with the check that Stop has been asked for in view.
class Worker : public CMemMon<CRecordingOwner> {
public:
    bool StopAsked() const { return this->StopRequested(); }
};

// Values of the two record types.
struct MemRecord {
    unsigned int type = 0, tid = 0, lid = 0, status = 0;
    std::vector<double> figures;  // in record order
    std::string text, description;
};

class MemMonTest : public ::testing::Test {
protected:
    MemMonTest()
    {
        worker.m_owner = &owner;
        worker.SetMeters(&meter, &snmp);
        meter.figures.total_phys = 4096;
        meter.figures.free_phys = 1500.25;
        meter.figures.total_page = 8192;
        meter.figures.free_page = 6000;
        meter.figures.total_virt = 2048;
        meter.figures.free_virt = 1900.5;
        snmp.hosts["linux.host"] = LinuxHost();
    }

    void Add(const std::string& line) { ASSERT_TRUE(worker.ProcessTest(line.c_str())) << line; }

    std::vector<MemRecord> Pass()
    {
        size_t before = owner.results.size();
        worker.Check(false);
        return RecordsSince(before);
    }

    std::vector<MemRecord> RecordsSince(size_t from)
    {
        std::vector<MemRecord> records;
        for (size_t i = from; i < owner.results.size(); ++i) {
            ReadRecord read = ReadResultRecord(owner.results[i]);
            EXPECT_TRUE(read.ok);
            MemRecord record;
            EXPECT_EQ(4u, read.ui32.size());
            EXPECT_EQ(1u, read.i64.size());
            EXPECT_EQ(1u, read.texts.size());
            if (read.ui32.size() == 4 && read.texts.size() == 1) {
                record.type = read.ui32[0];
                record.tid = read.ui32[1];
                record.lid = read.ui32[2];
                record.status = read.ui32[3];
                record.text = read.texts[0];
            }
            record.figures = read.d64;
            record.description = owner.descriptions[i];
            records.push_back(record);
        }
        return records;
    }

    std::vector<std::string> EventsSince(size_t from) const
    {
        return std::vector<std::string>(owner.events.begin() + static_cast<long>(from),
                                        owner.events.end());
    }

    CRecordingOwner owner;
    ScriptedMeter meter;
    ScriptedSnmp snmp;
    Worker worker;
};

TEST_F(MemMonTest, EmptyPassLogsItsBeginAndEndOnly)
{
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ(
        (std::vector<std::string>{"5 tol_mem: begin checking. mem test count: 0, la test count: 0",
                                  "5 tol_mem: end checking"}),
        owner.events);
}

TEST_F(MemMonTest, LinesChangeTheTwoListsApart)
{
    const struct {
        const char* line;
        std::vector<std::string> events;
    } steps[] = {
        {"MMA\t5\t7\t100\t200\t300",
         {"1 tol_mem: processing test: 'MMA\t5\t7\t100\t200\t300'",
          "1 tol_mem: adding test... tid:5, lid:7, mem_min:100, page_min:200, vsize_min:300, "
          "buffered_min:-1, cached_min:-1, hostAddr: ",
          "1 tol_mem: test added successfully..."}},
        {"MMA\t5\t8\t1\t1\t1\t1\t1\tlinux.host",
         {"1 tol_mem: processing test: 'MMA\t5\t8\t1\t1\t1\t1\t1\tlinux.host'",
          "1 tol_mem: adding test... tid:5, lid:8, mem_min:1, page_min:1, vsize_min:1, "
          "buffered_min:1, cached_min:1, hostAddr: linux.host",
          "1 tol_mem: found duplicated test. skipping..."}},
        {"LAA\t5\t7\t1\t2\t3\tlinux.host",
         {"1 tol_mem: processing test: 'LAA\t5\t7\t1\t2\t3\tlinux.host'",
          "1 tol_mem: adding load average test... tid:5, lid:7, max1:1, max5:2, max15:3",
          "1 tol_mem: test added successfully..."}},
        {"MMA\t0\t7\t1\t1\t1", {"1 tol_mem: processing test: 'MMA\t0\t7\t1\t1\t1'"}},
        {"LAA\t-3\t7\t1\t1\t1\th", {"1 tol_mem: processing test: 'LAA\t-3\t7\t1\t1\t1\th'"}},
        {"MMA\t6\t7\t1\t1\t1\t1\t1\tlinux.host",
         {"1 tol_mem: processing test: 'MMA\t6\t7\t1\t1\t1\t1\t1\tlinux.host'",
          "1 tol_mem: adding test... tid:6, lid:7, mem_min:1, page_min:1, vsize_min:1, "
          "buffered_min:1, cached_min:1, hostAddr: linux.host",
          "1 tol_mem: test added successfully..."}},
        {"MMM\t9\t7\t1\t1\t1",
         {"1 tol_mem: processing test: 'MMM\t9\t7\t1\t1\t1'",
          "1 tol_mem: modifing test... tid:9, lid:7, mem_min:1, page_min:1, vsize_min:1, "
          "buffered_min:-1, cached_min:-1, hostAddr:"}},
        {"MMD\t9\t0",
         {"1 tol_mem: processing test: 'MMD\t9\t0'", "1 tol_mem: removing test... tid:9"}},
        {"MMD\t5", {"1 tol_mem: processing test: 'MMD\t5'", "1 tol_mem: Incorrect test format!"}},
        {"MMD\t0\t0", {"1 tol_mem: processing test: 'MMD\t0\t0'"}},
        {"LAM\t5\t2\t-1\t-1\t-1\tlinux.host",
         {"1 tol_mem: processing test: 'LAM\t5\t2\t-1\t-1\t-1\tlinux.host'",
          "1 tol_mem: modifing load average test... tid:5, lid:2, max1:-1, max5:-1, max15:-1"}},
        {"MMD\t5\tx",
         {"1 tol_mem: processing test: 'MMD\t5\tx'", "1 tol_mem: removing test... tid:5"}},
    };
    for (const auto& step : steps) {
        size_t from = owner.events.size();
        Add(step.line);
        EXPECT_EQ(step.events, EventsSince(from)) << step.line;
    }
    // Memory test 5 is gone, load-average test 5 stays with its new values.
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(47u, records[0].type);
    EXPECT_EQ(6u, records[0].tid);
    EXPECT_EQ(66u, records[1].type);
    EXPECT_EQ(5u, records[1].tid);
    EXPECT_EQ(2u, records[1].lid);
    EXPECT_EQ("Load Average values are within acceptable limits\n", records[1].text);
    EXPECT_FALSE(worker.ProcessTest(""));
    EXPECT_FALSE(worker.ProcessTest(nullptr));
}

TEST_F(MemMonTest, LoadAverageDeletesTakeOnlyTheirOwnList)
{
    Add("MMA\t3\t1\t-1\t-1\t-1");
    Add("LAA\t3\t2\t-1\t-1\t-1\tlinux.host");
    Add("LAA\t4\t2\t-1\t-1\t-1\tlinux.host");
    const struct {
        const char* line;
        std::vector<std::string> events;
    } steps[] = {
        {"LAD\t0\t0", {"1 tol_mem: processing test: 'LAD\t0\t0'"}},
        {"LAD\t3\t0",
         {"1 tol_mem: processing test: 'LAD\t3\t0'",
          "1 tol_mem: removing load average test... tid:3"}},
        {"LAD\t3", {"1 tol_mem: processing test: 'LAD\t3'", "1 tol_mem: Incorrect test format!"}},
    };
    for (const auto& step : steps) {
        size_t from = owner.events.size();
        Add(step.line);
        EXPECT_EQ(step.events, EventsSince(from)) << step.line;
    }
    // Memory test 3 and load-average test 4 stay.
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(47u, records[0].type);
    EXPECT_EQ(3u, records[0].tid);
    EXPECT_EQ(66u, records[1].type);
    EXPECT_EQ(4u, records[1].tid);
}

TEST_F(MemMonTest, ModifyKeepsThePlaceAndMayMakeARemoteTestLocal)
{
    Add("MMA\t1\t1\t-1\t-1\t-1\t-1\t-1\tlinux.host");
    Add("MMA\t2\t1\t-1\t-1\t-1");
    Add("MMM\t1\t4\t1000000\t-1\t-1");
    snmp.calls.clear();
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(1u, records[0].tid);
    EXPECT_EQ(4u, records[0].lid);
    EXPECT_EQ(2u, records[0].status);
    EXPECT_EQ("Physical memory free size: 1500.25 / Min value: 1000000\n", records[0].text);
    EXPECT_TRUE(snmp.calls.empty());
}

TEST_F(MemMonTest, LocalTestsShareOneReadingOfThePass)
{
    Add("MMA\t1\t3\t-1\t-1\t-1\t0\t0");
    Add("MMA\t2\t3\t1000000\t-1\t-1");
    std::vector<MemRecord> records = Pass();
    EXPECT_EQ(1, meter.reads);
    ASSERT_EQ(2u, records.size());
    const std::vector<double> figures = {1500.25, 4096, 6000, 8192, -1, -1, 1900.5, 2048};
    for (const MemRecord& record : records) {
        EXPECT_EQ(47u, record.type);
        EXPECT_EQ(3u, record.lid);
        EXPECT_EQ(figures, record.figures);
        EXPECT_EQ("tol_mem: New data is available.", record.description);
    }
    EXPECT_EQ(0u, records[0].status);
    EXPECT_EQ("Memory usage is within acceptable limits\n", records[0].text);
    EXPECT_EQ(2u, records[1].status);
    EXPECT_EQ("Physical memory free size: 1500.25 / Min value: 1000000\n", records[1].text);
    EXPECT_NE(
        owner.events.end(),
        std::find(
            owner.events.begin(), owner.events.end(),
            "1 tol_mem: tid: 2, lid: 3, total_phys: 4096.00, free_phys: 1500.25, "
            "total_page: 8192.00, free_page: 6000.00, total_virt: 2048.00, free_virt: 1900.50"));
}

TEST_F(MemMonTest, UnreadableMemoryStatusSkipsTheWholePass)
{
    meter.ok = false;
    Add("MMA\t1\t3\t-1\t-1\t-1");
    Add("MMA\t2\t3\t-1\t-1\t-1\t-1\t-1\tlinux.host");
    Add("LAA\t3\t3\t-1\t-1\t-1\tlinux.host");
    size_t from = owner.events.size();
    EXPECT_TRUE(Pass().empty());
    EXPECT_EQ((std::vector<std::string>{"1 tol_mem: GlobalMemoryStatusEx failed."}),
              EventsSince(from));
    EXPECT_TRUE(snmp.calls.empty());
}

TEST_F(MemMonTest, RemoteMemoryComesFromTheStorageTable)
{
    Add("MMA\t4\t2\t6144\t3072\t-1\t500\t1025\tlinux.host");
    size_t from = owner.events.size();
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ((std::vector<double>{6144, 8192, 3072, 4096, 512, 1024, 9216, 12288}),
              records[0].figures);
    EXPECT_EQ(2u, records[0].status);
    EXPECT_EQ(
        "Physical memory free size: 6144.00 / Min value: 6144\n"
        "Page file free space: 3072.00 / Min value: 3072\n"
        "Buffered memory size: 512.00 / Max value: 500\n",
        records[0].text);
    EXPECT_EQ((std::vector<std::string>{
                  "walk linux.host 1.3.6.1.2.1.25.2.3.1.3",
                  "get linux.host 3000 1.3.6.1.2.1.25.2.3.1.5.1;1.3.6.1.2.1.25.2.3.1.4.1;"
                  "1.3.6.1.2.1.25.2.3.1.6.1;1.3.6.1.2.1.25.2.3.1.5.3;1.3.6.1.2.1.25.2.3.1.4.3;"
                  "1.3.6.1.2.1.25.2.3.1.6.3;1.3.6.1.2.1.25.2.3.1.5.6;1.3.6.1.2.1.25.2.3.1.4.6;"
                  "1.3.6.1.2.1.25.2.3.1.5.7;1.3.6.1.2.1.25.2.3.1.4.7;1.3.6.1.2.1.25.2.3.1.5.10;"
                  "1.3.6.1.2.1.25.2.3.1.4.10;1.3.6.1.2.1.25.2.3.1.6.10"}),
              snmp.calls);
    EXPECT_EQ(
        (std::vector<std::string>{"5 tol_mem: begin checking. mem test count: 1, la test count: 0",
                                  "4 tol_mem: checking tid: 4, lid: 2",
                                  "4 tol_mem: remote test: host: 'linux.host'",
                                  "4 tol_mem: remote test: GetOIDValuesFromHost succeeded.",
                                  "1 tol_mem: tid: 4, lid: 2, total_phys: 8192.00, free_phys: "
                                  "6144.00, total_page: 4096.00, "
                                  "free_page: 3072.00, total_virt: 12288.00, free_virt: 9216.00",
                                  "5 tol_mem: end checking"}),
        EventsSince(from));
}

TEST_F(MemMonTest, RemoteHostsThatGiveNoFigures)
{
    auto host = [this](const char* name) -> ScriptedSnmp::Host& {
        return snmp.hosts[name] = LinuxHost();
    };
    host("silent.walk").walkResult = kSnmpQueryNoAnswer;
    host("walk.then.silent").getResult = kSnmpQueryNoAnswer;
    host("no.client").getResult = kSnmpQuerySetupFailed;
    host("no.send").getResult = kSnmpQuerySendFailed;
    host("no.such.values").mib.clear();  // descriptions walked, every GET answer no such object
    host("no.storage").rows = {SnmpRow{kDescr + "36", kSnmpCodeOctets, "/"}};
    ScriptedSnmp::Host& partial = host("physical.only");
    partial.rows.resize(1);
    const struct {
        const char* host;
        unsigned int status;
        int retVal;  // 0: the GET succeeded
    } cases[] = {
        {"silent.walk", 10, -1}, {"walk.then.silent", 13, 3}, {"no.client", 11, 1},
        {"no.send", 12, 2},      {"no.such.values", 10, 0},   {"no.storage", 10, -1},
        {"physical.only", 0, 0},
    };
    int tid = 1;
    for (const auto& c : cases)
        Add("MMA\t" + std::to_string(tid++) + "\t1\t0\t0\t0\t0\t0\t" + c.host);
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(7u, records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(c.status, records[i].status) << c.host;
        std::string failed = "1 tol_mem: remote test: GetOIDValuesFromHost failed: retVal: " +
                             std::to_string(c.retVal);
        bool logged =
            std::find(owner.events.begin(), owner.events.end(), failed) != owner.events.end();
        EXPECT_EQ(c.retVal != 0, logged) << c.host;
        if (c.status == 0)
            continue;
        // No figure: every one -1, no limit tested, the values line as the text.
        EXPECT_EQ(std::vector<double>(8, -1.0), records[i].figures) << c.host;
        EXPECT_EQ(
            MemValuesLine(MemTest{c.host, static_cast<int>(i + 1), 1, 0, 0, 0, 0, 0}, MemFigures()),
            records[i].text)
            << c.host;
    }
    // Physical memory alone: its figures, the others -1 and not tested.
    EXPECT_EQ((std::vector<double>{6144, 8192, -1, -1, -1, -1, -1, -1}), records[6].figures);
    EXPECT_EQ("Memory usage is within acceptable limits\n", records[6].text);
}

TEST_F(MemMonTest, LoadAveragesFromTheUcdTable)
{
    snmp.hosts["no.ucd"] = LinuxHost();
    snmp.hosts["no.ucd"].mib.erase("1.3.6.1.4.1.2021.10.1.3.2");
    snmp.hosts["silent"].getResult = kSnmpQueryNoAnswer;
    Add("LAA\t1\t5\t0\t2\t3\tlinux.host");
    Add("LAA\t2\t5\t-1\t-1\t-1\tno.ucd");
    Add("LAA\t3\t5\t-1\t-1\t-1\tsilent");
    Add("LAA\t4\t5\t-1\t-1\t-1\t");
    std::vector<MemRecord> records = Pass();
    ASSERT_EQ(3u, records.size());
    for (const MemRecord& record : records) {
        EXPECT_EQ(66u, record.type);
        EXPECT_EQ(5u, record.lid);
        EXPECT_EQ("tol_mem (LA): New data is available.", record.description);
    }
    EXPECT_EQ((std::vector<double>{0.52, 2.0, 3.1}), records[0].figures);
    EXPECT_EQ(2u, records[0].status);
    EXPECT_EQ(
        "Load Average 1 min value: 0.52 / Max value: 0\n"
        "Load Average 15 min value: 3.10 / Max value: 3\n",
        records[0].text);
    EXPECT_EQ((std::vector<double>{0.52, -1, -1}), records[1].figures);
    EXPECT_EQ(10u, records[1].status);
    EXPECT_EQ("tol_mem: remote load average: GetOIDValuesFromHost succeeded", records[1].text);
    EXPECT_EQ((std::vector<double>{-1, -1, -1}), records[2].figures);
    EXPECT_EQ(13u, records[2].status);
    EXPECT_EQ("tol_mem: remote load average: GetOIDValuesFromHost failed: retVal: 3",
              records[2].text);
    std::vector<std::string> load = {
        "1.3.6.1.4.1.2021.10.1.3.1;1.3.6.1.4.1.2021.10.1.3.2;"
        "1.3.6.1.4.1.2021.10.1.3.3"};
    EXPECT_EQ(
        (std::vector<std::string>{"get linux.host 3000 " + load[0], "get no.ucd 3000 " + load[0],
                                  "get silent 3000 " + load[0]}),
        snmp.calls);
    EXPECT_NE(
        owner.events.end(),
        std::find(
            owner.events.begin(), owner.events.end(),
            "1 tol_mem: remote load average: tid: 1, lid: 5, lav1: 0.52, lav5: 2.00, lav15: 3.10"));
}

TEST_F(MemMonTest, PassEndsBetweenTestsOnceStopIsAsked)
{
    // The first remote test's walk goes on until the plug-in is being stopped.
    std::atomic<bool> walking{false};
    // The walk is told of the stop through the check the worker hands it.
    snmp.onWalk = [&](const SnmpStopCheck& stopped) {
        walking = true;
        while (!stopped())
            Sleep(1);
    };
    Add("MMA\t1\t1\t-1\t-1\t-1\t-1\t-1\tlinux.host");
    Add("MMA\t2\t1\t-1\t-1\t-1\t-1\t-1\tlinux.host");
    ASSERT_TRUE(worker.Start());
    Add("LAA\t3\t1\t-1\t-1\t-1\tlinux.host");
    Add("MMA\t4\t1\t-1\t-1\t-1");  // check-now: a pass on the worker's thread
    while (!walking)
        Sleep(1);
    worker.Stop();  // waits for the pass
    std::vector<MemRecord> records = RecordsSince(0);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(1u, records[0].tid);
    EXPECT_EQ("5 tol_mem: end checking", owner.events.back());
}

}  // namespace
