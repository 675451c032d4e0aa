// The disk worker's passes, test list and drive list, measured through a scripted meter: the
// figures a volume would give, including counters that wrap and drives that fail.
#include "DiskMon.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Worker = CDiskMon<CRecordingOwner>;

struct Counters {
    bool ok;
    unsigned int reads, writes;
};

class ScriptedMeter : public IDiskMeter {
public:
    bool GetDiskSpace(char drive, double* totalGb, double* freeGb) override
    {
        auto it = space.find(drive);
        if (it == space.end())
            return false;
        *totalGb = it->second.first;
        *freeGb = it->second.second;
        return true;
    }
    bool GetDiskCounters(char drive, unsigned int* reads, unsigned int* writes) override
    {
        std::deque<Counters>& queue = counters[drive];
        if (queue.empty())
            return false;
        Counters next = queue.front();
        queue.pop_front();
        *reads = next.reads;
        *writes = next.writes;
        return next.ok;
    }
    bool GetFixedDrives(std::wstring* letters) override
    {
        *letters = drives;
        return listed;
    }

    std::map<char, std::pair<double, double>> space;  // total, free
    std::map<char, std::deque<Counters>> counters;
    std::wstring drives;
    bool listed = true;
};

// What a RESULT_DISK record holds.
struct DiskRecord {
    unsigned int type, testId, locationId, status;
    double first, second;
    std::string text;
};

DiskRecord ReadDiskRecord(const std::string& bytes)
{
    unsigned int header[8];
    EXPECT_GE(bytes.size(), 72u);
    memcpy(header, bytes.data(), sizeof header);
    EXPECT_EQ(bytes.size(), header[0]);
    const unsigned int shape[] = {0, 4, 1, 0, 2, 1, 0};
    EXPECT_EQ(0, memcmp(header + 1, shape, sizeof shape));
    DiskRecord record;
    memcpy(&record.type, bytes.data() + 32, 4);
    memcpy(&record.testId, bytes.data() + 36, 4);
    memcpy(&record.locationId, bytes.data() + 40, 4);
    memcpy(&record.status, bytes.data() + 44, 4);
    memcpy(&record.first, bytes.data() + 56, 8);
    memcpy(&record.second, bytes.data() + 64, 8);
    record.text = bytes.c_str() + 72;
    return record;
}

class DiskMonTest : public ::testing::Test {
protected:
    DiskMonTest()
    {
        worker.m_owner = &owner;
        worker.SetMeter(&meter);
        worker.SetInterval(10);
    }

    void Add(const char* line) { ASSERT_TRUE(worker.ProcessTest(line)) << line; }

    // The records of one pass.
    std::vector<DiskRecord> Pass(bool forced)
    {
        size_t before = owner.results.size();
        worker.Check(forced);
        std::vector<DiskRecord> records;
        for (size_t i = before; i < owner.results.size(); ++i) {
            records.push_back(ReadDiskRecord(owner.results[i]));
            EXPECT_EQ("tol_disk: New data is available.", owner.descriptions[i]);
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
    Worker worker;
};

TEST_F(DiskMonTest, RatesFollowTheScriptedCounterReadings)
{
    // reads, writes as the volume counts them; rates over the 10-second interval.
    const struct {
        unsigned int reads, writes;
        double readRate, writeRate;
    } readings[] = {
        {0xFFFFF000u, 500, 0, 0},     // first reading: 0 and 0
        {0xFFFFFF00u, 800, 384, 30},  // (0xF00 = 3840) / 10
        {0x00000063u, 1100, 35, 30},  // wrapped: 0x63 - 0xFFFFFF00 - 1 = 354
        {0x00000063u, 1100, 0, 0},    // idle
        {0x00000070u, 1105, 1, 0},    // 13 / 10 and 5 / 10 truncate
    };
    for (const auto& r : readings)
        meter.counters['C'].push_back({true, r.reads, r.writes});
    Add("DIA\t7\t3\tC");
    for (const auto& r : readings) {
        std::vector<DiskRecord> records = Pass(false);
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(46u, records[0].type);
        EXPECT_EQ(7u, records[0].testId);
        EXPECT_EQ(3u, records[0].locationId);
        EXPECT_EQ(0u, records[0].status);
        EXPECT_EQ(r.readRate, records[0].first) << r.reads;
        EXPECT_EQ(r.writeRate, records[0].second) << r.writes;
        EXPECT_EQ("Drive: C read/write is within acceptable limits.\n", records[0].text);
    }
}

TEST_F(DiskMonTest, RateTraceLineNamesCountsLastCountsAndRates)
{
    meter.counters['C'] = {{true, 100, 200}, {true, 400, 260}};
    Add("DIA\t7\t3\tC");
    Pass(true);
    size_t from = owner.events.size();
    Pass(false);
    EXPECT_EQ((std::vector<std::string>{
                  "5 tol_disk: begin checking. test count: 1",
                  "4 tol_disk: checking tid: 7, lid: 3, drive: 'C'",
                  "1 tol_disk: tid: 7, lid: 3, drive: 'C', read: 400, write: 260, last_read: 100, "
                  "last_write: 200, read_count: 30, write_count: 6",
                  "5 tol_disk: end checking"}),
              EventsSince(from));
}

TEST_F(DiskMonTest, FailedReadingReportsNotFoundAndKeepsTheLastCounts)
{
    meter.counters['C'] = {{true, 100, 100}, {false, 0, 0}, {true, 400, 700}};
    Add("DIA\t1\t1\tC");
    Pass(false);
    std::vector<DiskRecord> failed = Pass(false);
    ASSERT_EQ(1u, failed.size());
    EXPECT_EQ(3u, failed[0].status);
    EXPECT_EQ("Drive: C not found.\n", failed[0].text);
    EXPECT_EQ(0.0, failed[0].first);
    std::vector<DiskRecord> after = Pass(false);
    EXPECT_EQ(30.0, after[0].first);  // 300 since the last good reading
    EXPECT_EQ(60.0, after[0].second);
}

TEST_F(DiskMonTest, ModifyForgetsTheCountsSoTheNextCheckReportsZero)
{
    meter.counters['C'] = {{true, 100, 100}, {true, 200, 200}, {true, 900, 900}};
    Add("DIA\t1\t1\tC");
    Pass(false);
    EXPECT_EQ(10.0, Pass(false)[0].first);
    Add("DIM\t1\t2\tC");
    std::vector<DiskRecord> records = Pass(true);  // the modified test is new again
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(2u, records[0].locationId);
    EXPECT_EQ(0.0, records[0].first);
    EXPECT_EQ(0.0, records[0].second);
}

TEST_F(DiskMonTest, FreeSpaceRecordsAndStatuses)
{
    meter.space['C'] = {120.0, 9.5};
    meter.space['D'] = {50.0, 10.0};
    Add("DKA\t1\t4\tC\t10");
    Add("DKA\t2\t4\tD\t10");
    Add("DKA\t3\t4\tC\t0");
    Add("DKA\t4\t4\tQ\t1");
    std::vector<DiskRecord> records = Pass(false);
    ASSERT_EQ(4u, records.size());
    EXPECT_EQ(2u, records[0].status);
    EXPECT_EQ(9.5, records[0].first);
    EXPECT_EQ(120.0, records[0].second);
    EXPECT_EQ("Drive: C free space: 9.50 / Min value: 10.\n", records[0].text);
    EXPECT_EQ(0u, records[1].status);
    EXPECT_EQ("Drive: D free space is within acceptable limits.\n", records[1].text);
    EXPECT_EQ(0u, records[2].status);
    EXPECT_EQ(3u, records[3].status);
    EXPECT_EQ("Drive: Q not found.\n", records[3].text);
    EXPECT_EQ(0.0, records[3].second);
}

TEST_F(DiskMonTest, CheckNowPassMeasuresOnlyNewTestsButCountsAll)
{
    meter.space['C'] = {100.0, 50.0};
    Add("DKA\t1\t1\tC\t1");
    Add("DKA\t2\t1\tC\t1");
    EXPECT_EQ(2u, Pass(true).size());
    EXPECT_EQ(0u, Pass(true).size());
    Add("DKA\t3\t1\tC\t1");
    size_t from = owner.events.size();
    std::vector<DiskRecord> records = Pass(true);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(3u, records[0].testId);
    EXPECT_EQ("5 tol_disk: begin checking. test count: 3", EventsSince(from).front());
    EXPECT_EQ("5 tol_disk: end checking", EventsSince(from).back());
    EXPECT_EQ(3u, Pass(false).size());
}

TEST_F(DiskMonTest, TestListTraceLines)
{
    const struct {
        const char* line;
        std::vector<std::string> events;
    } cases[] = {
        {"DKA\t5\t2\tC\t20",
         {"1 tol_disk: processing test: 'DKA\t5\t2\tC\t20'",
          "1 tol_disk: adding test... disk:'C', tid:5, lid:2, min_free:20",
          "1 tol_disk: test added successfully..."}},
        {"DIA\t5\t2\tD",
         {"1 tol_disk: processing test: 'DIA\t5\t2\tD'",
          "1 tol_disk: adding test... disk:'D', tid:5, lid:2, min_free:-1",
          "1 tol_disk: found duplicated test. skipping..."}},
        {"DKM\t5\t3\tE\t7",
         {"1 tol_disk: processing test: 'DKM\t5\t3\tE\t7'",
          "1 tol_disk: modifing test... disk:'E', tid:5, lid:3, min_free:7"}},
        {"DKA\t0\t2\tC\t20", {"1 tol_disk: processing test: 'DKA\t0\t2\tC\t20'"}},
        {"DKM\t-1\t2\tC\t20", {"1 tol_disk: processing test: 'DKM\t-1\t2\tC\t20'"}},
        {"DKD\t0\t0", {"1 tol_disk: processing test: 'DKD\t0\t0'"}},
        {"DKA\t6\t2\tC",
         {"1 tol_disk: processing test: 'DKA\t6\t2\tC'", "1 tol_disk: Incorrect test format!"}},
        {"DKA\t6\t2\t\t5",
         {"1 tol_disk: processing test: 'DKA\t6\t2\t\t5'", "1 tol_disk: Incorrect test format!"}},
        {"DID\t5\t0",
         {"1 tol_disk: processing test: 'DID\t5\t0'", "1 tol_disk: removing test... tid:5"}},
    };
    for (const auto& c : cases) {
        size_t from = owner.events.size();
        Add(c.line);
        EXPECT_EQ(c.events, EventsSince(from)) << c.line;
    }
    EXPECT_FALSE(worker.ProcessTest(""));
    EXPECT_FALSE(worker.ProcessTest(nullptr));
}

TEST_F(DiskMonTest, ModifyAndDeleteReachBothKinds)
{
    meter.space['C'] = {100.0, 50.0};
    meter.counters['C'] = {{true, 1, 1}};
    Add("DKA\t1\t1\tC\t1");
    Add("DIA\t2\t1\tC");
    Add("DKM\t9\t1\tC\t1");  // no such test: nothing added
    EXPECT_EQ(2u, Pass(false).size());
    Add("DID\t1\t0");
    Add("DKD\t2\t0");
    EXPECT_EQ(0u, Pass(false).size());
}

TEST_F(DiskMonTest, StopForgetsEveryTest)
{
    meter.space['C'] = {100.0, 50.0};
    Add("DKA\t1\t1\tC\t1");
    worker.Stop();
    EXPECT_EQ(0u, Pass(false).size());
    EXPECT_EQ("5 tol_disk: begin checking. test count: 0", owner.events[owner.events.size() - 2]);
}

TEST_F(DiskMonTest, DriveListIsSortedWithATabAfterEachLetter)
{
    meter.drives = L"ZCDC";
    CComBSTR bytes;
    worker.BuildDiskList(&bytes);
    const char* data = reinterpret_cast<const char*>(bytes.Bytes());
    unsigned int header[8], ui32[3];
    ASSERT_GE(bytes.ByteLength(), 52u);
    memcpy(header, data, sizeof header);
    memcpy(ui32, data + 32, sizeof ui32);
    EXPECT_EQ(bytes.ByteLength(), header[0]);
    EXPECT_EQ((std::vector<unsigned int>{0, 3, 1, 0, 0, 1, 0}),
              std::vector<unsigned int>(header + 1, header + 8));
    EXPECT_EQ((std::vector<unsigned int>{45, 0, 0}), std::vector<unsigned int>(ui32, ui32 + 3));
    EXPECT_EQ("C\tD\tZ\t", std::string(data + 52));
    EXPECT_EQ("5 tol_disk: get disks list: C\tD\tZ\t", owner.events.back());
}

TEST_F(DiskMonTest, DriveListWithoutFixedDrivesOrWithoutAnAnswer)
{
    CComBSTR bytes;
    worker.BuildDiskList(&bytes);
    EXPECT_EQ("N/A", std::string(reinterpret_cast<const char*>(bytes.Bytes()) + 52));
    EXPECT_EQ("5 tol_disk: get disks list: ", owner.events.back());

    meter.listed = false;
    CComBSTR none;
    size_t events = owner.events.size();
    worker.BuildDiskList(&none);
    EXPECT_EQ(0u, none.ByteLength());
    EXPECT_EQ(events, owner.events.size());
}

}  // namespace
