#include "reader_start.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "event_log_source.h"
#include "record_reader.h"
#include "thread_starters.h"

namespace {

class CRecordingReaderOwner : public CEventLogReaderOwner {
public:
    IEventLogSource* EventLog() override { return &SystemEventLogSource(); }
    void PostResult(CComBSTR* data, const char* desc) override
    {
        records.emplace_back(reinterpret_cast<const char*>(data->Bytes()), data->ByteLength());
        descriptions.emplace_back(desc);
    }
    void PostEvent(int level, const char* text) override
    {
        logs.push_back(std::to_string(level) + " " + text);
    }
    void UpdateNextRecord(int tid, DWORD) override { updated.push_back(tid); }

    std::vector<std::string> records;
    std::vector<std::string> descriptions;
    std::vector<std::string> logs;
    std::vector<int> updated;
};

}  // namespace

// A test whose reading thread the platform refuses is not dropped: one log line and the
// test's error result with the reason; its next record number is left for the next pass.
TEST(EventLogReaderStart, ATestWhoseThreadCannotStartReportsItsFailure)
{
    CRecordingReaderOwner owner;
    CThreadGroup group(&LimitedThreadStarter);
    ThreadStartsLeft() = 0;
    EventLogTest copy;
    copy.tid = 812;
    copy.lid = 3;
    copy.logName = L"Application";
    copy.owner = &owner;
    EXPECT_FALSE(StartEventLogReader(&copy, &group));
    EXPECT_EQ(group.Size(), 0u);

    ASSERT_EQ(owner.logs.size(), 1u);
    EXPECT_EQ(owner.logs[0].rfind("1 tol_evt: ", 0), 0u) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("812"), std::string::npos) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("Failed with error 8: "), std::string::npos) << owner.logs[0];

    ASSERT_EQ(owner.records.size(), 1u);
    EXPECT_EQ(owner.descriptions[0], "tol_evt: New data is available.");
    ReadRecord record = ReadResultRecord(owner.records[0]);
    ASSERT_TRUE(record.ok);
    ASSERT_EQ(record.ui32.size(), 4u);
    EXPECT_EQ(record.ui32[0], 50u);
    EXPECT_EQ(record.ui32[1], 812u);
    EXPECT_EQ(record.ui32[2], 3u);
    EXPECT_EQ(record.ui32[3], 2u);
    ASSERT_EQ(record.texts.size(), 1u);
    EXPECT_EQ(record.texts[0].rfind("Failed with error 8: ", 0), 0u) << record.texts[0];
    EXPECT_TRUE(owner.updated.empty());
}
