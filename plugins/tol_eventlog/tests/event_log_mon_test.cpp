// The event-log worker's lines, baselines and passes, read through a scripted event log: the
// records a log would hold, with the calls answering as the Windows event-log calls do.
#include "EventLogMon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "event_record_writer.h"
#include "record_reader.h"
#include "recording_owner.h"

namespace {

struct ScriptedLog {
    DWORD oldest = 1;
    std::vector<std::vector<BYTE>> records;
};

class ScriptedEventLog : public IEventLogSource {
public:
    // Appends a record of the type to the log (made when first written to).
    void Write(const std::wstring& logName, WORD type, DWORD eventId = 1000)
    {
        CScopedLock lock(m_lock);
        ScriptedLog& log = logs[logName];
        ScriptedEvent event;
        event.recordNumber = log.oldest + static_cast<DWORD>(log.records.size());
        event.timeGenerated = 1700000000;
        event.timeWritten = 1700000000;
        event.eventId = eventId;
        event.eventType = type;
        event.source = L"TolUnitSource";
        event.computer = L"TOLUNITHOST";
        log.records.push_back(WriteEventRecord(event));
    }

    DWORD FindLog(const std::wstring& host, const std::wstring& logName) override
    {
        CScopedLock lock(m_lock);
        return host.empty() && logs.count(logName) ? 0 : ERROR_FILE_NOT_FOUND;
    }
    HANDLE Open(const std::wstring& host, const std::wstring& logName) override
    {
        CScopedLock lock(m_lock);
        auto it = logs.find(logName);
        if (!host.empty() || it == logs.end()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return static_cast<HANDLE>(&it->second);
    }
    void Close(HANDLE log) override { (void)log; }
    bool CountRecords(HANDLE log, DWORD* count) override
    {
        CScopedLock lock(m_lock);
        *count = static_cast<DWORD>(Log(log).records.size());
        return true;
    }
    bool OldestRecord(HANDLE log, DWORD* oldest) override
    {
        CScopedLock lock(m_lock);
        *oldest = Log(log).oldest;
        return true;
    }
    bool Read(HANDLE log, DWORD flags, DWORD number, void* buffer, DWORD bytes, DWORD* bytesRead,
              DWORD* bytesNeeded) override
    {
        CScopedLock lock(m_lock);
        const ScriptedLog& scripted = Log(log);
        if (flags != (EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ) || number < scripted.oldest ||
            number - scripted.oldest >= scripted.records.size()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const std::vector<BYTE>& record = scripted.records[number - scripted.oldest];
        if (bytes < record.size()) {
            *bytesNeeded = static_cast<DWORD>(record.size());
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
        memcpy(buffer, record.data(), record.size());
        *bytesRead = static_cast<DWORD>(record.size());
        return true;
    }

    CCriticalSection m_lock;
    std::map<std::wstring, ScriptedLog> logs;

private:
    static ScriptedLog& Log(HANDLE log) { return *static_cast<ScriptedLog*>(log); }
};

using Worker = CEventLogMon<CRecordingOwner>;

class EventLogMonTest : public ::testing::Test {
protected:
    EventLogMonTest()
    {
        worker.m_owner = &owner;
        worker.SetEventLog(&source);
        for (int i = 0; i < 2; ++i)
            source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE);
        source.Write(L"TolOtherLog", EVENTLOG_ERROR_TYPE);
    }

    void Line(const std::string& line) { worker.ProcessTest(line.c_str()); }

    std::vector<std::string> EventsSince(size_t from) const
    {
        return std::vector<std::string>(owner.events.begin() + static_cast<long>(from),
                                        owner.events.end());
    }

    // The records of one pass.
    std::vector<ReadRecord> Pass(bool forced)
    {
        size_t before = owner.results.size();
        worker.Check(forced);
        std::vector<ReadRecord> records;
        for (size_t i = before; i < owner.results.size(); ++i) {
            records.push_back(ReadResultRecord(owner.results[i]));
            EXPECT_TRUE(records.back().ok);
            EXPECT_EQ("tol_evt: New data is available.", owner.descriptions[i]);
        }
        return records;
    }

    CRecordingOwner owner;
    ScriptedEventLog source;
    Worker worker;
};

TEST_F(EventLogMonTest, TestListLogLines)
{
    Line("LEA\t7\t3\t\tTolUnitLog\t4");
    Line("LEA\t7\t3\t\tTolUnitLog\t4");  // the id is taken
    Line("LEM\t7\t4\t\tTolUnitLog\t1,2");
    Line("LED\t9\t0");
    Line("LEM\t9\t4\t\tTolUnitLog\t1");  // no test has it
    Line("LEX\t1\t0");
    Line("LEA\t0\t3\t\tTolUnitLog\t4");
    EXPECT_EQ((std::vector<std::string>{
                  "1 tol_evt: processing test: 'LEA\t7\t3\t\tTolUnitLog\t4'",
                  "1 tol_evt: adding test... tid:7, lid:3, host:N/A, log_name:TolUnitLog, "
                  "supp_types:4",
                  "1 tol_evt: test added successfully...",
                  "1 tol_evt: processing test: 'LEA\t7\t3\t\tTolUnitLog\t4'",
                  "1 tol_evt: processing test: 'LEM\t7\t4\t\tTolUnitLog\t1,2'",
                  "1 tol_evt: modifing test... tid:7, lid:4, host:N/A, log_name:TolUnitLog, "
                  "supp_types:1,2",
                  "1 tol_evt: removing test... tid:7",
                  "1 tol_evt: adding test... tid:7, lid:4, host:N/A, log_name:TolUnitLog, "
                  "supp_types:1,2",
                  "1 tol_evt: test added successfully...",
                  "1 tol_evt: processing test: 'LED\t9\t0'",
                  "1 tol_evt: removing test... tid:9",
                  "1 tol_evt: processing test: 'LEM\t9\t4\t\tTolUnitLog\t1'",
                  "1 tol_evt: modifing test... tid:9, lid:4, host:N/A, log_name:TolUnitLog, "
                  "supp_types:1",
                  "1 tol_evt: removing test... tid:9",
                  "1 tol_evt: processing test: 'LEX\t1\t0'",
                  "1 tol_evt: Incorrect test format!",
                  "1 tol_evt: processing test: 'LEA\t0\t3\t\tTolUnitLog\t4'",
              }),
              owner.events);
    EXPECT_TRUE(owner.results.empty());
}

TEST_F(EventLogMonTest, ALogTheHostDoesNotKeepGivesAnErrorResultAndNoTest)
{
    Line("LEA\t8\t2\t\tTolMissingLog\t4");
    ASSERT_EQ(1u, owner.results.size());
    ReadRecord record = ReadResultRecord(owner.results[0]);
    ASSERT_TRUE(record.ok);
    ASSERT_EQ(4u, record.ui32.size());
    EXPECT_EQ(50u, record.ui32[0]);
    EXPECT_EQ(8u, record.ui32[1]);
    EXPECT_EQ(2u, record.ui32[2]);
    EXPECT_EQ(2u, record.ui32[3]);
    ASSERT_EQ(1u, record.texts.size());
    EXPECT_EQ(0u, record.texts[0].rfind("Failed with error 2: ", 0)) << record.texts[0];
    EXPECT_TRUE(Pass(false).empty());
}

// An add takes the log's end as its baseline: the pass reports only what came after it, of the
// test's types, and the next pass only what came after that.
TEST_F(EventLogMonTest, APassReportsTheRecordsWrittenSinceTheBaselineOfTheTestsTypes)
{
    Line("LEA\t7\t3\t\tTolUnitLog\t4");
    size_t events = owner.events.size();
    EXPECT_TRUE(Pass(false).empty());  // nothing new yet
    source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE, 1001);
    source.Write(L"TolUnitLog", EVENTLOG_ERROR_TYPE, 1002);
    source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE, 1003);

    std::vector<ReadRecord> records = Pass(false);
    ASSERT_EQ(1u, records.size());
    ASSERT_EQ(4u, records[0].ui32.size());
    EXPECT_EQ(7u, records[0].ui32[1]);
    EXPECT_EQ(3u, records[0].ui32[2]);
    EXPECT_EQ(0u, records[0].ui32[3]);
    ASSERT_EQ(2u, records[0].nested.size());
    EXPECT_EQ(1001u, records[0].nested[0].ui32[2]);
    EXPECT_EQ(1003u, records[0].nested[1].ui32[2]);
    EXPECT_TRUE(Pass(false).empty());
    EXPECT_EQ((std::vector<std::string>{
                  "5 tol_evt: begin checking. test count: 1",
                  "4 tol_evt: checking tid: 7, lid: 3",
                  "5 tol_evt: begin checking. test count: 1",
                  "4 tol_evt: checking tid: 7, lid: 3",
                  "5 tol_evt: begin checking. test count: 1",
                  "4 tol_evt: checking tid: 7, lid: 3",
              }),
              EventsSince(events));
}

TEST_F(EventLogMonTest, AModifyTakesANewBaseline)
{
    Line("LEA\t7\t3\t\tTolUnitLog\t4");
    source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE, 1001);
    Line("LEM\t7\t5\t\tTolUnitLog\t4");
    EXPECT_TRUE(Pass(false).empty());
    source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE, 1002);
    std::vector<ReadRecord> records = Pass(false);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(5u, records[0].ui32[2]);
    ASSERT_EQ(1u, records[0].nested.size());
    EXPECT_EQ(1002u, records[0].nested[0].ui32[2]);
}

// A check-now pass reads only the tests added since the last pass, and counts them all.
TEST_F(EventLogMonTest, ACheckNowPassReadsOnlyTheNewTests)
{
    Line("LEA\t1\t1\t\tTolUnitLog\t4");
    worker.Check(true);
    Line("LEA\t2\t1\t\tTolOtherLog\t1,2");
    source.Write(L"TolUnitLog", EVENTLOG_INFORMATION_TYPE);
    source.Write(L"TolOtherLog", EVENTLOG_ERROR_TYPE);
    size_t events = owner.events.size();
    std::vector<ReadRecord> records = Pass(true);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(2u, records[0].ui32[1]);
    EXPECT_EQ((std::vector<std::string>{"5 tol_evt: begin checking. test count: 2",
                                        "4 tol_evt: checking tid: 2, lid: 1"}),
              EventsSince(events));
    records = Pass(false);  // test 1's record is still there for the timer pass
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(1u, records[0].ui32[1]);
}

TEST_F(EventLogMonTest, APassWithoutTestsSaysNothing)
{
    worker.Check(false);
    EXPECT_TRUE(owner.events.empty());
    EXPECT_TRUE(owner.results.empty());
}

}  // namespace
