#include "request_thread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_reader.h"
#include "thread_starters.h"

namespace {

class CRecordingRequestOwner : public CSnmpRequestOwner {
public:
    CSnmpRequestRegistry& Requests() override { return requests; }
    void MarkAnswered(int tid) override { answered.push_back(tid); }
    void PostRecord(CComBSTR* bytes, const char* desc) override
    {
        records.emplace_back(reinterpret_cast<const char*>(bytes->Bytes()), bytes->ByteLength());
        descriptions.emplace_back(desc);
    }
    void PostLog(int level, const char* text) override
    {
        logs.push_back(std::to_string(level) + " " + text);
    }

    CSnmpRequestRegistry requests;
    std::vector<int> answered;
    std::vector<std::string> records;
    std::vector<std::string> descriptions;
    std::vector<std::string> logs;
};

}  // namespace

// A request whose thread the platform refuses is not dropped: one log line and the test's
// failure record with the reason.
TEST(SnmpRequestThread, ATestWhoseThreadCannotStartReportsItsFailure)
{
    CRecordingRequestOwner owner;
    CThreadGroup group(&LimitedThreadStarter);
    ThreadStartsLeft() = 0;
    std::unique_ptr<SnmpTest> test(new SnmpTest);
    test->tid = 31;
    test->lid = 5;
    test->host = "127.0.0.1";
    test->oids = "1.3.6.1.2.1.1.5.0;1.3.6.1.2.1.1.3.0";
    test->port = 161;
    test->timeout = 1;
    test->retries = 1;
    EXPECT_FALSE(StartSnmpRequest(std::move(test), &owner, &group));
    EXPECT_EQ(group.Size(), 0u);

    ASSERT_EQ(owner.logs.size(), 1u);
    EXPECT_EQ(owner.logs[0].rfind("1 tol_snmp: ", 0), 0u) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("31"), std::string::npos) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("Failed with error 8: "), std::string::npos) << owner.logs[0];

    ASSERT_EQ(owner.records.size(), 1u);
    EXPECT_EQ(owner.descriptions[0], "tol_snmp: New data is available");
    ReadRecord record = ReadResultRecord(owner.records[0]);
    ASSERT_TRUE(record.ok);
    ASSERT_EQ(record.ui32.size(), 5u);
    EXPECT_EQ(record.ui32[0], 57u);
    EXPECT_EQ(record.ui32[1], 31u);
    EXPECT_EQ(record.ui32[2], 5u);
    EXPECT_EQ(record.ui32[3], 3u);  // failed
    EXPECT_EQ(record.ui32[4], 0u);  // no identifier was parsed
    ASSERT_EQ(record.d64.size(), 1u);
    EXPECT_EQ(record.d64[0], 0.0);
    ASSERT_EQ(record.texts.size(), 1u);
    EXPECT_EQ(record.texts[0].rfind("Failed with error 8: ", 0), 0u) << record.texts[0];
    EXPECT_TRUE(record.nested.empty());
    EXPECT_TRUE(owner.answered.empty());
}
