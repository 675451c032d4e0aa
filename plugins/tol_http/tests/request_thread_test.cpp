#include "request_thread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record_reader.h"
#include "thread_starters.h"

namespace {

class CRecordingRequestOwner : public CHttpRequestOwner {
public:
    char* GetProxy() override { return nullptr; }
    HANDLE AbandonEvent() override { return nullptr; }
    IHttpRequester* Requester() override { return &SystemHttpRequester(); }
    void PostRecord(CComBSTR* bytes, const char* desc) override
    {
        records.emplace_back(reinterpret_cast<const char*>(bytes->Bytes()), bytes->ByteLength());
        descriptions.emplace_back(desc);
    }
    void PostLog(int level, const char* text) override
    {
        logs.push_back(std::to_string(level) + " " + text);
    }

    std::vector<std::string> records;
    std::vector<std::string> descriptions;
    std::vector<std::string> logs;
};

}  // namespace

// A request whose thread the platform refuses is not dropped: one log line and the test's
// failure record with the reason.
TEST(HttpRequestThread, ATestWhoseThreadCannotStartReportsItsFailure)
{
    CRecordingRequestOwner owner;
    CThreadGroup group(&LimitedThreadStarter);
    ThreadStartsLeft() = 0;
    std::unique_ptr<HttpTest> test(new HttpTest);
    test->tid = 4711;
    test->lid = 12;
    test->host = "127.0.0.1";
    test->timeout = 5;
    EXPECT_FALSE(StartHttpRequest(std::move(test), &owner, &group));
    EXPECT_EQ(group.Size(), 0u);

    ASSERT_EQ(owner.logs.size(), 1u);
    EXPECT_EQ(owner.logs[0].rfind("1 tol_http: ", 0), 0u) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("4711"), std::string::npos) << owner.logs[0];
    EXPECT_NE(owner.logs[0].find("Failed with error 8: "), std::string::npos) << owner.logs[0];

    ASSERT_EQ(owner.records.size(), 1u);
    EXPECT_EQ(owner.descriptions[0], "tol_http: New data is available.");
    ReadRecord record = ReadResultRecord(owner.records[0]);
    ASSERT_TRUE(record.ok);
    ASSERT_EQ(record.ui32.size(), 7u);
    EXPECT_EQ(record.ui32[0], 49u);
    EXPECT_EQ(record.ui32[1], 4711u);
    EXPECT_EQ(record.ui32[2], 12u);
    EXPECT_EQ(record.ui32[3], 2u);  // failed
    EXPECT_EQ(record.ui32[4], 0u);  // no time measured
    ASSERT_EQ(record.texts.size(), 1u);
    EXPECT_EQ(record.texts[0].rfind("Failed with error 8: ", 0), 0u) << record.texts[0];
}
