#include "request_thread.h"

#include <gtest/gtest.h>

#include "thread_starters.h"
#include "unstarted_report.h"

namespace {

class CRecordingRequestOwner : public CHttpRequestOwner {
public:
    char* GetProxy() override { return nullptr; }
    HANDLE AbandonEvent() override { return nullptr; }
    IHttpRequester* Requester() override { return &SystemHttpRequester(); }
    void PostRecord(CComBSTR* bytes, const char* desc) override { posts.Record(bytes, desc); }
    void PostLog(int level, const char* text) override { posts.Log(level, text); }

    CPostRecorder posts;
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

    ReadRecord record = ExpectUnstartedReport(owner.posts, "tol_http", 49, 4711, 12, 7);
    ASSERT_EQ(record.ui32.size(), 7u);
    EXPECT_EQ(record.ui32[4], 0u);  // no time measured
}
